#include "app/Startup.h"

#include <windows.h>

#include <algorithm>

#include "app/Guard.h"
#include "app/Unattended.h"
#include "conflict/ConflictForm.h"
#include "datatable/Text.h"
#include "product/ExitCodes.h"
#include "product/SetupCommandLine.h"
#include "product/TextSets.h"
#include "sys/Handles.h"
#include "sys/PrivateMutex.h"
#include "sys/SetupLog.h"
#include "sys/Shell.h"
#include "ui/Application.h"
#include "ui/ProductConfig.h"
#include "ui/StartupTrace.h"
#include "ui/Wide.h"
#include "install/LanguageMode.h"
#include "wizard/SetupForm.h"

namespace stp {

namespace {

TargetWindow ProgramWindow() {
    return {ProductString(Setting::WindowClass), ProductString(Setting::TitleEnglish),
            ProductString(Setting::TitleChinese)};
}

// The wizard and its message loop; Log and Folder (when not empty) go to the wizard.
// Returns the wizard's outcome.
int RunWizard(TSetupLog& Log, const std::u16string& Folder) {
    TApplication application;
    application.Initialize();
    TraceStartup("com-and-controls");
    application.LoadAppIcon(L"AppIcon");
    TraceStartup("icon");
    TForm1& wizard = application.CreateMainForm<TForm1>();
    wizard.SetInstallLog(Log);
    wizard.SetFolderToPropose(Folder);
    TraceStartup("wizard-first-made");
    SetApplicationWindow(wizard.Handle());
    // The notice is made once the wizard shows: it is needed at the finish at the soonest.
    application.OnShown = [&application] {
        TraceStartup("wizard-shown");
        application.CreateForm<TfrmConflict>();
        TraceStartup("notice-made");
    };
    application.Run();
    return wizard.Outcome();
}

void Say(const SetupCommandLine& line, const std::u16string& text, const std::u16string& caption) {
    if (line.Mode == SetupMode::Wizard) MessageBoxW(nullptr, ToWide(text).c_str(), ToWide(caption).c_str(), MB_OK);
}

// An installer made with Unattended = yes: the same steps with exit codes, a log, and the
// install without a person.
int RunDeployableSetup(const SetupCommandLine& line, TSetupLog& log) {
    const std::u16string caption = InTextSet(kRunningProgramCaption, LanguageMode);
    if (!line.BadSwitch.empty()) {
        log.Write(u"Unknown switch: " + line.BadSwitch);
        Say(line, InTextSet(kBadSwitchText, LanguageMode) + line.BadSwitch, caption);
        return ecBadCommandLine;
    }
    const std::u16string english = ProductString(Setting::DisplayNameEnglish);
    const TPrivateMutex only(ProductMutexName(kSetupMutexPrefix, english));
    if (only.MadeBefore() || only.OtherExists(ProductMutexName(kUninstallMutexPrefix, english))) {
        log.Write(u"Another setup or the uninstaller of this product is running.");
        Say(line, FillText(InTextSet(kAnotherSetupText, LanguageMode), {ProductDisplayName(LanguageMode), {}, {}, {}}),
            caption);
        return ecAnotherRuns;
    }
    const TargetWindow target = ProgramWindow();
    const std::u16string runningTitle = FindRunningTitle(target);
    if (!runningTitle.empty()) {
        log.Write(u"The program is running (window \"" + runningTitle + u"\"); nothing was written.");
        const RefusalMessage message = MakeRefusalMessage(LanguageMode, runningTitle, target.TitleEnglish);
        Say(line, message.Text, message.Caption);
        return ecProgramRunning;
    }
    if (line.Mode == SetupMode::Wizard) return RunWizard(log, line.Destination);
    return RunUnattendedInstall(line, log);
}

}  // namespace

int RunSetup() {
    TraceStartup("entry");
    LanguageMode = ConfiguredLanguageMode();
    if (ProductFlag(Setting::Unattended)) {
        const SetupCommandLine line = ParseSetupCommandLine(ArgumentsOf(FromWide(GetCommandLineW())));
        TSetupLog log = line.LogFile.empty() ? TSetupLog() : TSetupLog(line.LogFile);
        log.Write(u"Setup of " + ProductDisplayName(LanguageMode) + u" " + ProductString(Setting::Version) + u": " +
                  FromWide(GetCommandLineW()));
        int code = ecFailed;
        try {
            code = RunDeployableSetup(line, log);
        } catch (const std::exception& error) {
            // A failure outside every handler (no window could be made, say).
            log.Write(u"Setup stopped: " + FromUtf8(error.what()));
            Say(line, FromUtf8(error.what()), InTextSet(kRunningProgramCaption, LanguageMode));
        }
        log.Write(u"Exit code " + FromUtf8(std::to_string(code)) + u": " + FromUtf8(ExitCodeOf(code).Meaning));
        return code;
    }
    const TargetWindow target = ProgramWindow();
    const std::u16string runningTitle = FindRunningTitle(target);
    if (!runningTitle.empty()) {
        // Nothing of the installer exists yet, and nothing is made: no window, icon or COM.
        const RefusalMessage message = MakeRefusalMessage(LanguageMode, runningTitle, target.TitleEnglish);
        MessageBoxW(nullptr, ToWide(message.Text).c_str(), ToWide(message.Caption).c_str(), MB_OK);
        return ecSuccess;
    }
    TraceStartup("guard");
    TSetupLog none;
    RunWizard(none, {});
    return ecSuccess;
}

}  // namespace stp
