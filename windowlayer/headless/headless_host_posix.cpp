// The real program path on the native host.
#include <unistd.h>
#include "windowlayer/headless/headless_state.h"

bool host_module_path(char* buffer, int size)
{
    if (size <= 1) {
        return false;
    }
    ssize_t length = readlink("/proc/self/exe", buffer, static_cast<size_t>(size) - 1);
    if (length <= 0) {
        return false;
    }
    buffer[length] = '\0';
    return true;
}
