// Headless painting: brushes and bitmaps are records, and every paint of a
// window keeps the list of its fills and frames so tests can look at what a
// window procedure drew (for instance count the lit blocks of a bar).
#include <cstring>
#include "windowlayer/headless/headless_state.h"

namespace {

constexpr int KNOWN_BITMAPS[] = {2, 200, 201};

HeadlessObject* find_object(OsHandle handle)
{
    for (HeadlessObject& candidate : headless.objects) {
        if (&candidate == handle) {
            return candidate.kind != OBJECT_FREE ? &candidate : nullptr;
        }
    }
    return nullptr;
}

OsHandle new_object(HeadlessObjectKind kind, uint32_t colour, int bitmap_id)
{
    HeadlessObject& object = headless.objects.emplace_back();
    object.kind = kind;
    object.colour = colour;
    object.bitmap_id = bitmap_id;
    return &object;
}

// The paint record keeps its window in the implementation's reserved bytes.
HeadlessWindow* painted_window(const OsPaint* paint)
{
    if (paint == nullptr) {
        return nullptr;
    }
    OsWindow window = nullptr;
    std::memcpy(&window, paint->reserved, sizeof window);
    return find_window(window);
}

}  // namespace

void reset_objects()
{
    headless.objects.clear();
}

OsHandle os_BeginPaint(OsWindow handle, OsPaint* paint, int)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* window = find_window(handle);
    if (window == nullptr || paint == nullptr) {
        return nullptr;
    }
    std::memset(paint, 0, sizeof *paint);
    std::memcpy(paint->reserved, &handle, sizeof handle);
    paint->device_context = handle;   // the window stands in for its device context
    paint->area = OsRect{0, 0, window->client_width, window->client_height};
    window->painting.fills.clear();
    window->painting.frames.clear();
    return paint->device_context;
}

int os_EndPaint(OsPaint* paint)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* window = painted_window(paint);
    if (window == nullptr) {
        return 0;
    }
    window->painting.paints++;
    return 1;
}

int os_InvalidateRcl(OsWindow handle, const OsRect*, int)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* window = find_window(handle);
    if (window == nullptr) {
        return 0;
    }
    window->painting.invalidations++;
    return 1;
}

int os_NiceRCL(const OsRect* rectangle, OsPaint* paint, int style)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* window = painted_window(paint);
    if (window == nullptr || rectangle == nullptr) {
        return 0;
    }
    window->painting.frames.push_back(HeadlessFrame{*rectangle, style});
    return 1;
}

OsHandle os_CreateSolidBrush(uint32_t colour)
{
    HeadlessGuard guard(headless.lock);
    return new_object(OBJECT_SOLID, colour, 0);
}

OsHandle os_LoadBitmap(int resource_id)
{
    HeadlessGuard guard(headless.lock);
    for (int known : KNOWN_BITMAPS) {
        if (known == resource_id) {
            return new_object(OBJECT_BITMAP, 0, resource_id);
        }
    }
    return nullptr;
}

OsHandle os_CreatePatternBrush(OsHandle bitmap)
{
    HeadlessGuard guard(headless.lock);
    HeadlessObject* source = find_object(bitmap);
    if (source == nullptr || source->kind != OBJECT_BITMAP) {
        return nullptr;
    }
    return new_object(OBJECT_PATTERN, 0, source->bitmap_id);
}

int os_FillRect(OsPaint* paint, const OsRect* rectangle, OsHandle brush)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* window = painted_window(paint);
    HeadlessObject* object = find_object(brush);
    if (window == nullptr || rectangle == nullptr || object == nullptr || object->kind == OBJECT_BITMAP) {
        return 0;
    }
    int kind = object->kind == OBJECT_SOLID ? HEADLESS_BRUSH_SOLID : HEADLESS_BRUSH_PATTERN;
    window->painting.fills.push_back(HeadlessFill{*rectangle, kind, object->colour, object->bitmap_id});
    return 1;
}

int os_DeleteObject(OsHandle handle)
{
    HeadlessGuard guard(headless.lock);
    HeadlessObject* object = find_object(handle);
    if (object == nullptr) {
        return 0;
    }
    object->kind = OBJECT_FREE;
    return 1;
}

HeadlessPainting headless_paint(OsWindow window)
{
    call_procedure(window, OS_RAW_PAINT, 0, 0);
    return headless_painting(window);
}

HeadlessPainting headless_painting(OsWindow handle)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* window = find_window(handle);
    return window != nullptr ? window->painting : HeadlessPainting{};
}

int headless_live_objects()
{
    HeadlessGuard guard(headless.lock);
    int live = 0;
    for (const HeadlessObject& object : headless.objects) {
        live += object.kind != OBJECT_FREE ? 1 : 0;
    }
    return live;
}
