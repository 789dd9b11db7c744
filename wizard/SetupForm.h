// The setup wizard TForm1: four pages (welcome, licence agreement, destination folder and
// options, completion) above a row of three buttons and a progress bar. Its components
// and handlers are bound by name from the layout in resources/layouts; the idle rule
// alone shows pages and sets the buttons from FStep.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sys/SetupLog.h"
#include "ui/Form.h"
#include "install/Installation.h"

#include <memory>

namespace stp {

class TButton;
class TCheckBox;
class TEdit;
class TImage;
class TLabel;
class TMemo;
class TPanel;
class TProgressBar;

class TForm1 : public TForm {
public:
    TForm1();

    // Handlers the layout binds by name.
    void FormCreate();
    void ApplicationEvents1Idle(bool& Done);
    void btnNextClick();
    void btnPrevClick();
    void btnCloseClick();
    void btnBrowseClick();
    void editSetupDirChange();

    // Where each step of the install is logged (the installer's /LOG=); by default nowhere.
    void SetInstallLog(TSetupLog& Log) noexcept { log_ = &Log; }
    // The folder the folder page proposes instead of its own choice (the installer's /D=).
    void SetFolderToPropose(const std::u16string& Folder) { folderToPropose_ = Folder; }
    // The exit code the wizard's run ends with (product/ExitCodes.h): installed, cancelled,
    // or closed after an install that failed.
    int Outcome() const noexcept;

    void UpdateNextCaption();
    void UpdateFreeSpace();
    // The extractor's progress report: a whole percentage from 0 to 100.
    void OnExtractProgress(std::int64_t Percent);

protected:
    TNotifyEvent FindNotifyHandler(const std::string& Name) override;
    TIdleEvent FindIdleHandler(const std::string& Name) override;
    // On a monitor of another scale the pictures made for it, when the product gives them.
    void ScaleChanged() override;
    // Pages 2 to 4, made once page 1 shows, set up as FormCreate sets up page 1.
    void DeferredCreated() override;
    // Not while the files are written: closing then would leave half an installation.
    bool CanClose() override { return !installing_; }

    // The install action up to its shortcuts and registration; true when the files are
    // in place and the wizard may move to the completion page. A failure has been shown
    // to the user when it returns false.
    virtual bool InstallFiles();
    // The finish action: what happens when the user leaves the completion page.
    virtual void Finish();

    int Step() const noexcept { return FStep; }
    const std::u16string& SetupDir() const noexcept { return FSetupDir; }

private:
    // FormCreate, in order: configuration and the side picture, texts and fonts, then the
    // window and buttons; DeferredCreated: the header icons, the later pages' fonts and
    // texts, the agreement, then the folder page.
    void ReadBuildConfig();
    void LoadSidePicture();
    void LoadHeaderIcons();
    void SetChineseWelcomeFonts();
    void SetChineseLaterFonts();
    void MoveEnglishLaterTexts();
    void KeepTexts(const struct WizardTexts& Texts);
    // The layout's texts the language gives: of the components made so far, or of all.
    void ApplyComponentTexts(bool All);
    void SizeWindow();
    void PrepareFolderPage();
    // The install action's steps: the controls the user could press meanwhile and the
    // options of the page; the payload is written and unpacked, then the shortcuts and the
    // uninstall entry made (install/Installation.h).
    void SetInstallControlsEnabled(bool Enabled);
    // The destination held for the install, the user asked before a folder other accounts
    // may change is taken over; null, the reason shown, when it cannot be used.
    std::unique_ptr<class TDestination> OpenDestination();
    // The shortcuts and entry the page's options ask for.
    TRegistration Registration();
    // The finish action's look at the running processes (Chinese text set only).
    bool IsConflictingAntivirusRunning();
    // The finish action's notice, shown instead of launching; the wizard is hidden.
    void ShowConflictNotice();
    // After a successful installation: the completion page with the side artwork.
    void CompleteInstall();

    int FStep = 1;
    std::u16string FDisplayName;
    std::u16string FVersion;
    std::u16string FNeedSize;
    std::u16string FExeName;
    bool FIsFreeware = false;
    std::u16string FDriveLetters;
    std::u16string FSetupDir;
    std::u16string FCaptionBack;
    std::u16string FCaptionNext;
    std::u16string FCaptionCancel;
    std::u16string FCaptionAgree;
    std::u16string FCaptionInstall;
    std::u16string FCaptionFinish;
    std::u16string FMsgFolderFailed;
    std::u16string FMsgExtractFailed;
    std::u16string FBrowseTitle;
    std::u16string FFreeSizePrefix;
    std::vector<std::pair<std::string, std::u16string>> componentTexts_;
    TSetupLog noLog_;
    TSetupLog* log_ = &noLog_;
    std::u16string folderToPropose_;
    bool installed_ = false;
    bool installing_ = false;
    bool installFailed_ = false;
};

}  // namespace stp
