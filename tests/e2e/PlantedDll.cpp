// A library a user plants beside an elevated program under a system library's name: when
// it is loaded, it leaves a mark, which the test looks for.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        const HANDLE mark = CreateFileW(L"C:\\stp-e2e\\planted-library-loaded.txt", GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
    }
    return TRUE;
}
