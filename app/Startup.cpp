#include "app/Startup.h"

#include <windows.h>

#include "app/Guard.h"
#include "conflict/ConflictForm.h"
#include "sys/Shell.h"
#include "ui/Application.h"
#include "ui/Wide.h"
#include "wizard/BuildConfig.h"
#include "wizard/LanguageMode.h"
#include "wizard/SetupForm.h"

namespace stp {

void RestrictDllSearch() {
    // Looked up at run time: Windows XP and an unpatched Windows 7 lack it.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    // Without it, at least the current directory leaves the search path.
    SetDllDirectoryW(L"");
}

void RunSetup() {
    LanguageMode = ConfiguredLanguageMode();
    const TargetWindow target{BuildConfigString(bsWindowClass), BuildConfigString(bsTitleEnglish),
                              BuildConfigString(bsTitleChinese)};
    const std::u16string runningTitle = FindRunningTitle(target);
    if (!runningTitle.empty()) {
        // Nothing of the installer exists yet, and nothing is made: no window, icon or COM.
        const RefusalMessage message = MakeRefusalMessage(LanguageMode, runningTitle, target.TitleEnglish);
        MessageBoxW(nullptr, ToWide(message.Text).c_str(), ToWide(message.Caption).c_str(), MB_OK);
        return;
    }
    TApplication application;
    application.Initialize();
    application.LoadAppIcon(L"AppIcon");
    TForm1& wizard = application.CreateForm<TForm1>();
    SetApplicationWindow(wizard.Handle());
    application.CreateForm<TfrmConflict>();
    application.Run();
}

}  // namespace stp
