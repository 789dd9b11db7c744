#include "wizard/SetupForm.h"

#include <windows.h>

#include <memory>
#include <utility>

#include "conflict/ConflictForm.h"
#include "datatable/Text.h"
#include "package/Extractor.h"
#include "product/ExitCodes.h"
#include "package/FileSystem.h"
#include "package/PathRules.h"
#include "product/TextSets.h"
#include "resources/layouts/Layouts.h"
#include "sys/ByteSize.h"
#include "sys/Drives.h"
#include "sys/Handles.h"
#include "sys/Processes.h"
#include "sys/Shell.h"
#include "sys/WideText.h"
#include "ui/Application.h"
#include "ui/BackgroundWork.h"
#include "ui/Button.h"
#include "ui/CheckBox.h"
#include "ui/Dpi.h"
#include "ui/Edit.h"
#include "ui/Image.h"
#include "ui/Jpeg.h"
#include "ui/Label.h"
#include "ui/Memo.h"
#include "ui/Panel.h"
#include "ui/ProgressBar.h"
#include "ui/Resources.h"
#include "ui/StartupTrace.h"
#include "ui/SystemInfo.h"
#include "ui/Wide.h"
#include "ui/ProductConfig.h"
#include "install/InstallSteps.h"
#include "install/Destination.h"
#include "install/Installation.h"
#include "install/LanguageMode.h"
#include "wizard/WizardTexts.h"

namespace stp {

namespace {

constexpr char16_t SongTi[] = u"宋体";

void SetFontName(TControl& control, const std::u16string& name) {
    TFont font = control.Font();
    font.SetName(name);
    control.SetFont(font);
}

void SetFontNameAndSize(TControl& control, const std::u16string& name, int points) {
    TFont font = control.Font();
    font.SetName(name);
    font.SetSize(points);
    control.SetFont(font);
}

}  // namespace

TForm1::TForm1() : TForm(Form1Layout()) {}

TNotifyEvent TForm1::FindNotifyHandler(const std::string& Name) {
    static const std::pair<const char*, void (TForm1::*)()> handlers[] = {
        {"FormCreate", &TForm1::FormCreate},         {"btnNextClick", &TForm1::btnNextClick},
        {"btnPrevClick", &TForm1::btnPrevClick},     {"btnCloseClick", &TForm1::btnCloseClick},
        {"btnBrowseClick", &TForm1::btnBrowseClick}, {"editSetupDirChange", &TForm1::editSetupDirChange},
    };
    for (const auto& [name, method] : handlers)
        if (Name == name) return [this, method = method] { (this->*method)(); };
    return {};
}

TIdleEvent TForm1::FindIdleHandler(const std::string& Name) {
    if (Name == "ApplicationEvents1Idle") return [this](bool& Done) { ApplicationEvents1Idle(Done); };
    return {};
}

void TForm1::FormCreate() {
    // Page 1 and the button row: the later pages are made once the wizard shows.
    ReadBuildConfig();
    LoadSidePicture();
    TraceStartup("Form1 pictures");
    const WizardTexts texts = LanguageMode == 0 ? ChineseWizardTexts(FDisplayName, FVersion, FNeedSize)
                                                : EnglishWizardTexts(FDisplayName, FVersion, FNeedSize);
    KeepTexts(texts);
    SetCaption(texts.Caption);
    Application().SetTitle(Caption());
    SetApplicationTitle(Caption());
    if (LanguageMode == 0) SetChineseWelcomeFonts();
    ApplyComponentTexts(false);

    Component<TButton>("btnPrev").SetText(FCaptionBack);
    Component<TButton>("btnNext").SetText(FCaptionNext);
    Component<TButton>("btnClose").SetText(FCaptionCancel);
    TraceStartup("Form1 texts");
    SizeWindow();
    FStep = 1;
    Component<TProgressBar>("ProgressBar1").SetPosition(0);
}

void TForm1::DeferredCreated() {
    // Pages 2 to 4.
    LoadHeaderIcons();
    if (LanguageMode == 0)
        SetChineseLaterFonts();
    else
        MoveEnglishLaterTexts();
    ApplyComponentTexts(true);
    const std::u16string copyright =
        ProductString(LanguageMode == 0 ? Setting::CopyrightAuthor : Setting::CopyrightMaker);
    // The product's own agreement, when it gives one, in place of the built-in one.
    const std::u16string license =
        ProductFileText(LanguageMode == 0 ? Setting::LicenseChinese : Setting::LicenseEnglish);
    Component<TMemo>("Memo2").AddLines(!license.empty()    ? AgreementLines(license)
                                       : LanguageMode == 0 ? ChineseAgreement(FDisplayName, FIsFreeware, copyright)
                                                           : EnglishAgreement(FDisplayName, FIsFreeware, copyright));
    // Only page 1 is aligned in the layout; aligning all four lets whichever page is
    // visible fill the top of the window.
    for (const char* page : {"pnlStep2", "pnlStep3", "pnlStep4"}) Component<TPanel>(page).SetAlign(TAlign::alTop);
    // Quick Launch is gone from the taskbar from Windows Vista on.
    Component<TCheckBox>("chkSCOnQuick").SetVisible(WindowsMajorVersion() < 6);
    TraceStartup("Form1 pages");
    PrepareFolderPage();
    TraceStartup("Form1 folder page");
}

void TForm1::ScaleChanged() {
    LoadSidePicture();
    if (Complete()) LoadHeaderIcons();
}

void TForm1::ReadBuildConfig() {
    FExeName = ProductString(Setting::ExeName);
    FVersion = ProductString(Setting::Version);
    FNeedSize = ProductString(Setting::NeedSize);
    FIsFreeware = ReadFreewareFlag(ProductString(Setting::Freeware));
    FDisplayName = ProductDisplayName(LanguageMode);
}

// Above 100 % a product's twice-as-large pictures, when it gives them, are scaled down
// instead of its own ones up.
void TForm1::LoadSidePicture() {
    const std::wstring side = L"ImageLeft" + WideNumber(LanguageMode);
    if (PixelsPerInch() > kDesignDpi && HasResource(side + L"_2x", RT_RCDATA))
        Component<TImage>("Image1").SetPicture(DecodeJpeg(LoadResourceData(side + L"_2x", RT_RCDATA)), 2 * kDesignDpi);
    else
        Component<TImage>("Image1").SetPicture(DecodeJpeg(LoadResourceData(side, RT_RCDATA)));
}

void TForm1::LoadHeaderIcons() {
    auto& image2 = Component<TImage>("Image2");
    if (PixelsPerInch() > kDesignDpi && HasResource(L"ImageIcon_2x", RT_BITMAP))
        image2.SetPicture(LoadBitmapResource(L"ImageIcon_2x"), 2 * kDesignDpi);
    else
        image2.SetPicture(LoadBitmapResource(L"ImageIcon"));
    Component<TImage>("Image3").SetPicture(image2.Picture().Copy(), image2.PictureDpi());
}

// The layout's positions are at 96 DPI, as the form was made: the moves are scaled like them.
void TForm1::SetChineseWelcomeFonts() {
    auto& welcome = Component<TLabel>("lblWelcome");
    auto& willInstall = Component<TLabel>("lblWillInstall");
    SetFontName(welcome, SongTi);
    SetFontNameAndSize(willInstall, SongTi, 9);
    welcome.SetBounds(Scaled(193), welcome.Top() + Scaled(20), welcome.Width(), welcome.Height());
    willInstall.SetBounds(welcome.Left(), willInstall.Top() + Scaled(20), willInstall.Width(), willInstall.Height());
}

void TForm1::SetChineseLaterFonts() {
    auto& complete = Component<TLabel>("lblComplete");
    SetFontNameAndSize(Component<TLabel>("lblSetupFolder"), SongTi, 9);
    SetFontName(complete, SongTi);
    complete.SetBounds(Scaled(203), Scaled(28), complete.Width(), complete.Height());
}

void TForm1::MoveEnglishLaterTexts() {
    Component<TLabel>("lblFolder").SetTop(Scaled(9));
    Component<TLabel>("lblLicense").SetTop(Scaled(9));
    auto& runOnExit = Component<TCheckBox>("chkRunOnExit");
    runOnExit.SetBounds(Scaled(186), Scaled(170), runOnExit.Width(), runOnExit.Height());
    for (const char* name : {"lblFolderTip", "lblLicenseTip", "lblClose"}) Component<TLabel>(name).SetVisible(true);
}

void TForm1::KeepTexts(const WizardTexts& Texts) {
    FCaptionBack = Texts.CaptionBack;
    FCaptionNext = Texts.CaptionNext;
    FCaptionCancel = Texts.CaptionCancel;
    FCaptionAgree = Texts.CaptionAgree;
    FCaptionInstall = Texts.CaptionInstall;
    FCaptionFinish = Texts.CaptionFinish;
    FMsgFolderFailed = Texts.MsgFolderFailed;
    FMsgExtractFailed = Texts.MsgExtractFailed;
    FBrowseTitle = Texts.BrowseTitle;
    FFreeSizePrefix = Texts.FreeSizePrefix;
    componentTexts_ = Texts.Components;
}

void TForm1::ApplyComponentTexts(bool All) {
    // Before the later pages exist only the texts of the components made are set; once
    // they do every name must be there.
    for (const auto& [name, text] : componentTexts_) {
        if (All)
            Component<TControl>(name).SetText(text);
        else if (auto* control = dynamic_cast<TControl*>(FindComponent(name)))
            control->SetText(text);
    }
}

void TForm1::SizeWindow() { SetScaledOuterSize(503, WindowsMajorVersion() >= 6 ? 398 : 385); }

void TForm1::PrepareFolderPage() {
    // The letters come first: setting the folder text below runs the change rule.
    FDriveLetters = GetDriveLetters();
    Component<TEdit>("editSetupDir")
        .SetText(folderToPropose_.empty() ? ProposedSetupDir(FDisplayName, FExeName) : folderToPropose_);
}

void TForm1::ApplicationEvents1Idle(bool&) {
    static const char* const pages[] = {"pnlStep1", "pnlStep2", "pnlStep3", "pnlStep4"};
    for (int i = 0; i < 4; ++i) Component<TPanel>(pages[i]).SetVisible(FStep == i + 1);
    Component<TButton>("btnPrev").SetVisible(FStep == 2 || FStep == 3);
    Component<TButton>("btnClose").SetVisible(FStep < 4);
    Component<TButton>("btnNext").SetEnabled(!(FStep == 3 && !Component<TLabel>("lblFreeSize").Visible()));
}

void TForm1::UpdateNextCaption() {
    const std::u16string* caption = &FCaptionNext;
    if (FStep == 2)
        caption = &FCaptionAgree;
    else if (FStep == 3)
        caption = &FCaptionInstall;
    else if (FStep == 4)
        caption = &FCaptionFinish;
    Component<TButton>("btnNext").SetText(*caption);
}

void TForm1::btnNextClick() {
    const std::u16string caption = Component<TButton>("btnNext").Text();
    if (caption == FCaptionFinish) {
        Finish();
        return;
    }
    if (caption == FCaptionInstall) {
        if (InstallFiles()) CompleteInstall();
        return;
    }
    ++FStep;
    UpdateNextCaption();
}

void TForm1::btnPrevClick() {
    --FStep;
    UpdateNextCaption();
}

void TForm1::btnCloseClick() { Close(); }

void TForm1::editSetupDirChange() {
    const std::u16string text = Component<TEdit>("editSetupDir").Text();
    if (IsAcceptedSetupDir(text, FDriveLetters))
        UpdateFreeSpace();
    else
        Component<TLabel>("lblFreeSize").SetVisible(false);
}

void TForm1::UpdateFreeSpace() {
    const std::u16string text = Component<TEdit>("editSetupDir").Text();
    const char16_t letter = text.empty() ? u'\0' : text[0];
    auto& freeSize = Component<TLabel>("lblFreeSize");
    freeSize.SetText(FFreeSizePrefix + FormatByteSize(GetDriveFreeSpace(letter)));
    freeSize.SetVisible(true);
}

void TForm1::btnBrowseClick() {
    const std::u16string path = BrowseForFolder(Handle(), FBrowseTitle);
    if (path.empty()) return;
    Component<TEdit>("editSetupDir").SetText(path);
    UpdateFreeSpace();
}

void TForm1::OnExtractProgress(std::int64_t Percent) {
    auto& progress = Component<TProgressBar>("ProgressBar1");
    progress.SetPosition(static_cast<std::int32_t>(Percent));
    UpdateWindow(progress.Handle());
}

bool TForm1::InstallFiles() {
    FSetupDir = NormaliseSetupDir(Component<TEdit>("editSetupDir").Text());
    log_->Write(u"Destination folder: " + FSetupDir);
    const std::unique_ptr<TDestination> destination = OpenDestination();
    if (!destination) {
        installFailed_ = true;
        return false;
    }
    SetInstallControlsEnabled(false);
    // The options as they were when the install was pressed: the page stays usable while
    // the files are written.
    const TRegistration registration = Registration();
    auto& progress = Component<TProgressBar>("ProgressBar1");
    progress.SetVisible(true);
    // Painted now: nothing else is painted until the files are in place.
    Application().ProcessMessages();
    try {
        // Written on a worker thread while this one keeps handling the window's messages
        // (but not its idle rule, which would enable the buttons): the window answers and
        // paints however long it takes, and the reports reach the bar in order.
        installing_ = true;
        const struct Done {
            bool& Flag;
            ~Done() { Flag = false; }
        } done{installing_};
        RunAnswering([this, &destination](const TReportEvent& report) { UnpackPayload(*destination, report, *log_); },
                     [this](std::int64_t percent) { OnExtractProgress(percent); },
                     [this] { Application().ProcessMessages(); });
    } catch (const std::exception& error) {
        log_->Write(u"Unpacking failed: " + FromUtf8(error.what()));
        installFailed_ = true;
        ShowAppMessage(FMsgExtractFailed);
        SetInstallControlsEnabled(true);
        progress.SetVisible(false);
        return false;
    }
    RegisterProduct(registration, *log_);
    installed_ = true;
    return true;
}

std::unique_ptr<TDestination> TForm1::OpenDestination() {
    const auto refused = [this](const std::exception& error, const std::u16string& message) {
        log_->Write(u"The destination folder is refused: " + FromUtf8(error.what()));
        Application().ShowMessage(message);
        return nullptr;
    };
    if (!IsPlainSetupDir(FSetupDir)) {
        log_->Write(u"The destination folder is refused: Windows would not read it as written.");
        Application().ShowMessage(FMsgFolderFailed);
        return nullptr;
    }
    try {
        try {
            return std::make_unique<TDestination>(
                TDestination::Open(FSetupDir, IsEarlierInstallation(FDisplayName, FSetupDir)));
        } catch (const EUntrustedFolder& error) {
            const std::u16string folder =
                FillText(InTextSet(error.IsDestination ? kTakeOverFolderText : kUntrustedFolderText, LanguageMode),
                         {error.Folder, {}, {}, {}});
            if (!error.IsDestination) return refused(error, folder);
            log_->Write(u"The destination folder may be changed by others: " + FromUtf8(error.what()));
            if (Application().ShowMessageBox(folder, Application().Title(),
                                             MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
                return nullptr;
            log_->Write(u"Taken over, as the user agreed: " + error.Folder);
            return std::make_unique<TDestination>(TDestination::Open(FSetupDir, true));
        }
    } catch (const EFileError& error) {
        return refused(error, FMsgFolderFailed);
    }
}

void TForm1::SetInstallControlsEnabled(bool Enabled) {
    for (const char* name : {"btnNext", "btnPrev", "btnClose", "btnBrowse"})
        Component<TButton>(name).SetEnabled(Enabled);
}

TRegistration TForm1::Registration() {
    TRegistration registration;
    registration.Mode = LanguageMode;
    registration.SetupDir = FSetupDir;
    registration.DisplayName = FDisplayName;
    registration.DesktopShortcut = Component<TCheckBox>("chkSCOnDesktop").Checked();
    const auto& quick = Component<TCheckBox>("chkSCOnQuick");
    registration.QuickLaunchShortcut = quick.Visible() && quick.Checked();
    return registration;
}

int TForm1::Outcome() const noexcept {
    if (installed_) return ecSuccess;
    return installFailed_ ? ecFailed : ecCancelled;
}

void TForm1::Finish() {
    if (!Component<TCheckBox>("chkRunOnExit").Checked()) {
        Close();
        return;
    }
    if (LanguageMode == 0 && ProductFlag(Setting::AntivirusNotice) && IsConflictingAntivirusRunning()) {
        ShowConflictNotice();
        Close();
        return;
    }
    // Whether the program started is not reported: the wizard ends either way. Run as
    // administrator, the wizard has the shell start it as the desktop's user: a user who
    // may change the folder must not get a program of theirs run elevated.
    const std::u16string program = FSetupDir + FExeName + u".exe";
    const UniqueHandle process(IsElevated() ? RunProgramAsDesktopUser(program) : RunProgram(program, u""));
    Close();
}

bool TForm1::IsConflictingAntivirusRunning() {
    const std::unique_ptr<TDataTable> processes = GetProcessTable(false);
    return processes && stp::IsConflictingAntivirusRunning(*processes);
}

void TForm1::ShowConflictNotice() {
    Hide();
    TfrmConflict notice;
    notice.Create();
    notice.SetExeName(FExeName);
    notice.ShowModal();
}

void TForm1::CompleteInstall() {
    auto& image = Component<TImage>("Image1");
    image.SetParent(Component<TPanel>("pnlStep4"));
    image.SetAlign(TAlign::alLeft);
    Component<TProgressBar>("ProgressBar1").SetVisible(false);
    ++FStep;
    UpdateNextCaption();
}

}  // namespace stp
