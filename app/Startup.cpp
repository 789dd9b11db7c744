#include "app/Startup.h"

#include <windows.h>

#include "app/Guard.h"
#include "ui/StartupTrace.h"
#include "conflict/ConflictForm.h"
#include "sys/Shell.h"
#include "ui/Application.h"
#include "ui/Wide.h"
#include "ui/ProductConfig.h"
#include "wizard/LanguageMode.h"
#include "wizard/SetupForm.h"

namespace stp {

void RunSetup() {
    TraceStartup("entry");
    LanguageMode = ConfiguredLanguageMode();
    const TargetWindow target{ProductString(Setting::WindowClass), ProductString(Setting::TitleEnglish),
                              ProductString(Setting::TitleChinese)};
    const std::u16string runningTitle = FindRunningTitle(target);
    if (!runningTitle.empty()) {
        // Nothing of the installer exists yet, and nothing is made: no window, icon or COM.
        const RefusalMessage message = MakeRefusalMessage(LanguageMode, runningTitle, target.TitleEnglish);
        MessageBoxW(nullptr, ToWide(message.Text).c_str(), ToWide(message.Caption).c_str(), MB_OK);
        return;
    }
    TraceStartup("guard");
    TApplication application;
    application.Initialize();
    TraceStartup("com-and-controls");
    application.LoadAppIcon(L"AppIcon");
    TraceStartup("icon");
    TForm1& wizard = application.CreateMainForm<TForm1>();
    TraceStartup("wizard-first-made");
    SetApplicationWindow(wizard.Handle());
    // The notice is made once the wizard shows: it is needed at the finish at the soonest.
    application.OnShown = [&application] {
        TraceStartup("wizard-shown");
        application.CreateForm<TfrmConflict>();
        TraceStartup("notice-made");
    };
    application.Run();
}

}  // namespace stp
