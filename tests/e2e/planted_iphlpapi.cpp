// Named like IP Helper, for planted_dll.sh: once loaded into a process it
// leaves a file "planted-mark" beside itself. Its functions answer that
// nothing is supported, so that a program importing them still starts.
#include <windows.h>

#include <cwchar>

extern "C" {
__declspec(dllexport) DWORD WINAPI GetIfTable2(void**) { return ERROR_NOT_SUPPORTED; }
__declspec(dllexport) DWORD WINAPI GetIfEntry2(void*) { return ERROR_NOT_SUPPORTED; }
__declspec(dllexport) void WINAPI FreeMibTable(void*) {}
__declspec(dllexport) DWORD WINAPI GetBestInterfaceEx(void*, DWORD*) { return ERROR_NOT_SUPPORTED; }
__declspec(dllexport) DWORD WINAPI ConvertInterfaceIndexToLuid(DWORD, void*) { return ERROR_NOT_SUPPORTED; }
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH + 16];
    DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    while (length > 0 && path[length - 1] != L'\\') --length;
    std::wcscpy(path + length, L"planted-mark");
    HANDLE mark = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
    return TRUE;
}
