#include "ui/Application.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

#include "datatable/Text.h"
#include "ui/ApplicationEvents.h"
#include "ui/Wide.h"

namespace stp {

namespace {

TApplication* instance = nullptr;

}  // namespace

ComApartment::ComApartment() {
    const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(result)) throw std::runtime_error("COM cannot be initialised.");
    initialised_ = true;
}

ComApartment::~ComApartment() {
    if (initialised_) CoUninitialize();
}

TApplication::TApplication() {
    if (instance) throw std::logic_error("There is an application object already.");
    instance = this;
}

TApplication::~TApplication() {
    // Forms go in reverse order of creation, before COM is released.
    while (!forms_.empty()) forms_.pop_back();
    instance = nullptr;
}

TApplication* TApplication::Instance() noexcept { return instance; }

TApplication& Application() {
    if (!instance) throw std::logic_error("There is no application object.");
    return *instance;
}

void TApplication::Initialize() {
    if (!com_) com_.emplace();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
}

void TApplication::LoadAppIcon(const wchar_t* Name) {
    HINSTANCE module = GetModuleHandleW(nullptr);
    auto load = [&](int size) {
        return static_cast<HICON>(LoadImageW(module, Name, IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    };
    IconHandle big(load(GetSystemMetrics(SM_CXICON)));
    IconHandle small(load(GetSystemMetrics(SM_CXSMICON)));
    if (!big || !small) throw std::runtime_error("The application icon is missing.");
    icon_ = std::move(big);
    smallIcon_ = std::move(small);
}

void TApplication::SetTitle(const std::u16string& Title) { title_ = Title; }

void TApplication::Run() {
    if (!mainForm_) return;
    if (!mainForm_->Complete()) {
        // Seen at once, the rest made before the message loop runs: no message, not even
        // one another program sends, reaches the form before it is whole. It takes the
        // focus once it is (activating could hand on messages sent to it meanwhile).
        mainForm_->ShowInactive();
        mainForm_->CreateDeferred();
    }
    mainForm_->Show();
    if (OnShown) OnShown();
    while (!terminated_) HandleMessage();
}

namespace {

// A form is no dialog, so no button of it is the default one: Enter goes to the focused
// push button, as a user expects.
bool PressFocusedButton(HWND form) {
    HWND focus = GetFocus();
    if (!focus || !IsChild(form, focus) || !IsWindowEnabled(focus)) return false;
    wchar_t className[16] = {};
    GetClassNameW(focus, className, 16);
    const LONG_PTR type = GetWindowLongPtrW(focus, GWL_STYLE) & BS_TYPEMASK;
    if (_wcsicmp(className, L"Button") != 0 || (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON)) return false;
    SendMessageW(focus, BM_CLICK, 0, 0);
    return true;
}

}  // namespace

HWND TApplication::ActiveFormHandle() const {
    HWND active = GetActiveWindow();
    for (const auto& form : forms_)
        if (form->Handle() == active) return active;
    // A modal form takes the keyboard whatever Windows thinks is active meanwhile.
    if (!modal_.empty()) return modal_.back()->Handle();
    return nullptr;
}

void TApplication::BeginModal(TForm& Form) { modal_.push_back(&Form); }

void TApplication::EndModal(TForm& Form) { std::erase(modal_, &Form); }

bool TApplication::ProcessMessage() {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return true;
    }
    // Enter presses the focused button; Tab, arrow keys and accelerators move between the
    // active form's controls.
    HWND form = ActiveFormHandle();
    if (form && msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && PressFocusedButton(form)) return true;
    if (form && IsDialogMessageW(form, &msg)) return true;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return true;
}

void TApplication::HandleMessage() {
    if (ProcessMessage()) return;
    if (Idle()) WaitMessage();
}

void TApplication::ProcessMessages() {
    while (ProcessMessage()) {
    }
}

bool TApplication::Idle() {
    bool done = true;
    // A handler may create or destroy events components; go over a copy.
    const std::vector<TApplicationEvents*> events = events_;
    for (TApplicationEvents* e : events) {
        if (!e->OnIdle) continue;
        try {
            e->OnIdle(done);
        } catch (const std::exception& error) {
            HandleException(error);
        }
    }
    return done;
}

void TApplication::Terminate() {
    terminated_ = true;
    PostQuitMessage(0);
}

int TApplication::ShowMessageBox(const std::u16string& Text, const std::u16string& Caption, UINT Flags) {
    HWND owner = ActiveFormHandle();
    if (!owner && mainForm_ && IsWindowVisible(mainForm_->Handle())) owner = mainForm_->Handle();
    return MessageBoxW(owner, ToWide(Text).c_str(), ToWide(Caption).c_str(), Flags);
}

void TApplication::ShowMessage(const std::u16string& Text) { ShowMessageBox(Text, title_, MB_OK); }

void TApplication::HandleException(const std::exception& Error) {
    if (OnException) {
        OnException(Error);
        return;
    }
    ShowMessageBox(FromUtf8(Error.what()), title_, MB_OK | MB_ICONERROR);
}

void TApplication::AddEvents(TApplicationEvents& Events) { events_.push_back(&Events); }

void TApplication::RemoveEvents(TApplicationEvents& Events) { std::erase(events_, &Events); }

void ReportException(const std::exception& Error) {
    if (instance) {
        instance->HandleException(Error);
        return;
    }
    MessageBoxW(nullptr, ToWide(FromUtf8(Error.what())).c_str(), L"", MB_OK | MB_ICONERROR);
}

}  // namespace stp
