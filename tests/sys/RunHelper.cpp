// Started by the RunProgram tests: writes its current directory to the file named by
// its second argument and exits with the number of its first.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3) return 255;
    wchar_t directory[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, directory);
    const HANDLE file = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, directory, length * sizeof(wchar_t), &written, nullptr);
        CloseHandle(file);
    }
    const int code = static_cast<int>(std::wcstol(argv[1], nullptr, 10));
    LocalFree(argv);
    return code;
}
