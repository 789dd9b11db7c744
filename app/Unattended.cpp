#include "app/Unattended.h"

#include <windows.h>

#include <memory>

#include "datatable/Text.h"
#include "package/FileSystem.h"
#include "product/ExitCodes.h"
#include "product/TextSets.h"
#include "sys/Drives.h"
#include "ui/BackgroundWork.h"
#include "ui/Handles.h"
#include "ui/ProductConfig.h"
#include "ui/ProgressWindow.h"
#include "ui/SystemInfo.h"
#include "install/InstallSteps.h"
#include "install/Installation.h"
#include "install/Destination.h"
#include "install/LanguageMode.h"
#include "package/PathRules.h"

namespace stp {

int RunUnattendedInstall(const SetupCommandLine& Line, TSetupLog& Log) {
    const ComApartment com;  // for the shell link objects
    const std::u16string name = ProductDisplayName(LanguageMode);
    const std::u16string folder =
        Line.Destination.empty() ? ProposedSetupDir(name, ProductString(Setting::ExeName), true) : Line.Destination;
    const std::u16string setupDir = NormaliseSetupDir(folder);
    if (!IsAcceptedSetupDir(folder, GetDriveLetters()) || !IsPlainSetupDir(setupDir)) {
        Log.Write(u"The destination folder \"" + folder +
                  u"\" is refused: it must be a full path on a fixed drive, beginning with its letter and \":\\\", "
                  u"that Windows reads as written (no stream, device name, \"..\" or name ending in a dot or space).");
        return ecFolderRefused;
    }
    Log.Write(u"Destination folder: " + setupDir);
    std::unique_ptr<TDestination> destination;
    try {
        // An earlier installation of the product is taken over, so that its upgrade goes on.
        destination =
            std::make_unique<TDestination>(TDestination::Open(setupDir, IsEarlierInstallation(name, setupDir)));
        if (destination->TakenOver())
            Log.Write(u"Taken over from other accounts: the earlier installation " + setupDir);
    } catch (const ERefusedFolder& error) {
        Log.Write(u"The destination folder is refused: " + FromUtf8(error.what()));
        return ecFolderRefused;
    } catch (const std::exception& error) {
        Log.Write(u"The destination folder could not be made: " + FromUtf8(error.what()));
        return ecFailed;
    }
    std::unique_ptr<TProgressWindow> window;
    if (Line.Mode == SetupMode::Passive) {
        const std::u16string caption = FillText(
            InTextSet(kWizardTexts[static_cast<std::size_t>(WizardText::Caption)], LanguageMode), {name, {}, {}, {}});
        window = std::make_unique<TProgressWindow>(
            caption, FillText(InTextSet(kInstallingText, LanguageMode), {name, {}, {}, {}}));
    }
    try {
        // The progress window answers while the files are written.
        RunAnswering([&](const TReportEvent& report) { UnpackPayload(*destination, report, Log); },
                     [&window](std::int64_t percent) {
                         if (window) window->SetPercent(static_cast<int>(percent));
                     },
                     DispatchWaitingMessages);
    } catch (const std::exception& error) {
        Log.Write(u"Unpacking failed: " + FromUtf8(error.what()));
        return ecFailed;
    }
    TRegistration registration;
    registration.Mode = LanguageMode;
    registration.SetupDir = setupDir;
    registration.DisplayName = name;
    // Silent installs run for the machine, often as the system account: the shortcut
    // goes where every user sees it.
    registration.AllUsersDesktop = Line.Mode == SetupMode::Silent;
    registration.QuickLaunchShortcut = WindowsMajorVersion() < 6;
    // Without its uninstall entry a deployment tool finds no installation: a failure.
    return RegisterProduct(registration, Log) ? ecSuccess : ecFailed;
}

}  // namespace stp
