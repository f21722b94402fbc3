// Translation of raw (Win32-numbered) messages into the layer's codes; shared
// by both implementations, so headless tests see exactly what the real layer
// delivers.
#include "windowlayer/os_layer.h"

namespace {

constexpr uint16_t PUSH_BUTTON_INSTALL = 1;
constexpr uint16_t PUSH_BUTTON_CANCEL = 2;
constexpr uint16_t RAW_EDIT_CHANGE = 0x0300;
constexpr uint16_t RAW_EDIT_SETFOCUS = 0x0100;
constexpr uint16_t RAW_EDIT_KILLFOCUS = 0x0200;
constexpr uint16_t RAW_BUTTON_CLICKED = 0;

uint16_t translate_notification(uint16_t raw)
{
    switch (raw) {
    case RAW_EDIT_CHANGE: return OS_NOTIFY_EDIT_CHANGED;
    case RAW_EDIT_SETFOCUS: return 1;
    case RAW_EDIT_KILLFOCUS: return 2;
    case RAW_BUTTON_CLICKED: return OS_NOTIFY_CLICKED;
    default: return raw;
    }
}

}  // namespace

uint32_t os_TranslateMsg(OsMsg* record, OsWindow, uint32_t message, uintptr_t first, intptr_t)
{
    record->id = 0;
    record->notification = 0;
    switch (message) {
    case OS_RAW_INITDIALOG:
        record->code = OS_CODE_INIT;
        break;
    case OS_RAW_CLOSE:
        record->code = OS_CODE_CLOSE;
        break;
    case OS_RAW_COMMAND: {
        auto id = static_cast<uint16_t>(first & 0xFFFF);
        auto raw = static_cast<uint16_t>((first >> 16) & 0xFFFF);
        record->id = id;
        // Push buttons command; every other control notifies.
        if (id == PUSH_BUTTON_INSTALL || id == PUSH_BUTTON_CANCEL) {
            record->code = OS_CODE_COMMAND;
        } else {
            record->code = OS_CODE_CONTROL;
            record->notification = translate_notification(raw);
        }
        break;
    }
    default:
        record->code = message;
        break;
    }
    return record->code;
}
