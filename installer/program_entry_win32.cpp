// The program entry of setup.exe. The command line and the show state are
// not used: everything the run needs lies beside the program.
#include <windows.h>

#include "installer/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return program_start(reinterpret_cast<OsModule>(instance));
}
