// The real program path when the headless layer runs under Windows or wine.
#include <windows.h>
#include "windowlayer/headless/headless_state.h"

bool host_module_path(char* buffer, int size)
{
    if (size <= 1) {
        return false;
    }
    DWORD length = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
    if (length == 0 || length >= static_cast<DWORD>(size)) {
        buffer[0] = '\0';
        return false;   // missing or cut: a partial path would mislead
    }
    return true;
}
