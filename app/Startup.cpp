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
