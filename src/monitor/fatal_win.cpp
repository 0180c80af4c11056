#include <windows.h>

#include "fatal_platform.h"

void end_process_with(const char* message) {
    MessageBoxA(nullptr, message, "mivrel", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    ExitProcess(1);
}
