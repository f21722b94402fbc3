// The "ProgressBar" control of the install dialog. The worker sends the
// percentage done; the control paints a double frame and twenty blocks, lit
// ones in the system colour and the rest in a grey checkerboard pattern.
#include "installer/progress_bar.h"

namespace {

constexpr int POSITION_WORD = 0;
constexpr int FRAME_ALLOWANCE = 6;  // both frames on both sides, with the last gap
constexpr int OUTER_FRAME_STYLE = -1;
constexpr int INNER_FRAME_STYLE = 1;

void move_edges_inward(OsRect& rectangle, int pixels)
{
    rectangle.left += pixels;
    rectangle.bottom += pixels;
    rectangle.right -= pixels;
    rectangle.top -= pixels;
}

// Deletes a brush or bitmap of the layer when it goes out of scope.
struct PaintObject {
    OsHandle handle;
    explicit PaintObject(OsHandle object) : handle(object) {}
    PaintObject(const PaintObject&) = delete;
    PaintObject& operator=(const PaintObject&) = delete;
    ~PaintObject()
    {
        if (handle != nullptr)
            os_DeleteObject(handle);
    }
};

void paint_progress(OsWindow window)
{
    OsRect area = {};
    os_QueryWinRect(window, &area);
    uint32_t lit_colour = static_cast<uint32_t>(os_QuerySysValue(OS_SV_COLOUR));
    // Integer division truncating toward zero: a control narrower than 16
    // pixels gets pitch 0 and block 0, so only the frames show.
    int pitch = (area.right - area.left - FRAME_ALLOWANCE) / PROGRESS_SEGMENTS;
    int block = (pitch - 1) / PROGRESS_BLOCKS_PER_SEGMENT;

    OsPaint paint = {};
    os_BeginPaint(window, &paint, 0);
    area.right = area.left + PROGRESS_SEGMENTS * pitch + 5;
    os_NiceRCL(&area, &paint, OUTER_FRAME_STYLE);
    move_edges_inward(area, 1);
    os_NiceRCL(&area, &paint, INNER_FRAME_STYLE);
    move_edges_inward(area, 2);

    uint32_t position = os_QueryWindowWord(window, POSITION_WORD);
    uint32_t lit = position / PROGRESS_PERCENT_PER_BLOCK;
    {
        PaintObject solid(os_CreateSolidBrush(lit_colour));
        PaintObject bitmap(os_LoadBitmap(PROGRESS_PATTERN_BITMAP));
        PaintObject pattern(os_CreatePatternBrush(bitmap.handle));
        for (int i = 0; i < PROGRESS_BLOCKS; ++i) {
            int x = (i / PROGRESS_BLOCKS_PER_SEGMENT) * pitch + area.left + (i % PROGRESS_BLOCKS_PER_SEGMENT) * block;
            OsRect cell = {x, area.bottom, x + block, area.top};
            os_FillRect(&paint, &cell, lit > static_cast<uint32_t>(i) ? solid.handle : pattern.handle);
        }
    }  // brushes and bitmap deleted before painting ends
    os_EndPaint(&paint);
}

}  // namespace

intptr_t progress_bar_proc(OsWindow window, uint32_t message, uintptr_t first, intptr_t second)
{
    switch (message) {
    case OS_MSG_PROGRESS:
        os_SetWindowWord(window, POSITION_WORD, static_cast<uint32_t>(first));
        os_InvalidateRcl(window, nullptr, 0);
        return 0;
    case OS_MSG_1025:
        return 0;
    case OS_RAW_PAINT:
        paint_progress(window);
        return 0;
    default:
        return os_DefWinProc(window, message, first, second);
    }
}
