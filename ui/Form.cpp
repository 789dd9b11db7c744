#include "ui/Form.h"

#include <algorithm>
#include <set>

#include "ui/Application.h"
#include "ui/ApplicationEvents.h"
#include "ui/Bevel.h"
#include "ui/Button.h"
#include "ui/CheckBox.h"
#include "ui/Dpi.h"
#include "ui/Edit.h"
#include "ui/GroupBox.h"
#include "ui/Image.h"
#include "ui/Label.h"
#include "ui/Memo.h"
#include "ui/Panel.h"
#include "ui/ProgressBar.h"
#include "ui/StartupTrace.h"
#include "ui/Wide.h"

namespace stp {

namespace {

// The styles that decide the frame's size.
DWORD FrameStyle(const FormLayout& layout) {
    return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | (layout.BorderStyle == TBorderStyle::Sizeable ? WS_THICKFRAME : 0);
}

// The form as a control at 96 DPI: its outer size there.
ComponentLayout FormAsComponent(const FormLayout& layout) {
    ComponentLayout c{.Kind = TComponentKind::Panel, .Name = layout.Name};
    c.Width = layout.Width;
    c.Height = layout.Height;
    if (layout.ClientSize) {
        const RECT frame = FrameForDpi(FrameStyle(layout), 0, kDesignDpi);
        c.Width += frame.right - frame.left;
        c.Height += frame.bottom - frame.top;
    }
    c.Text = layout.Caption;
    c.Font = layout.Font;
    c.Color = layout.Color;
    c.Visible = false;
    return c;
}

std::unique_ptr<TComponent> MakeComponent(TWinContainer* parent, const ComponentLayout& l) {
    switch (l.Kind) {
    case TComponentKind::Panel: return std::make_unique<TPanel>(parent, l);
    case TComponentKind::Label: return std::make_unique<TLabel>(parent, l);
    case TComponentKind::Button: return std::make_unique<TButton>(parent, l);
    case TComponentKind::CheckBox: return std::make_unique<TCheckBox>(parent, l);
    case TComponentKind::Edit: return std::make_unique<TEdit>(parent, l);
    case TComponentKind::Memo: return std::make_unique<TMemo>(parent, l);
    case TComponentKind::GroupBox: return std::make_unique<TGroupBox>(parent, l);
    case TComponentKind::Image: return std::make_unique<TImage>(parent, l);
    case TComponentKind::Bevel: return std::make_unique<TBevel>(parent, l);
    case TComponentKind::ProgressBar: return std::make_unique<TProgressBar>(parent, l);
    case TComponentKind::ApplicationEvents: return std::make_unique<TApplicationEvents>(l.Name);
    }
    throw std::logic_error("Unknown component kind of " + l.Name + ".");
}

}  // namespace

TForm::TForm(const FormLayout& Layout) : TWinContainer(nullptr, FormAsComponent(Layout)), layout_(Layout) {}

TForm::~TForm() {
    // Children go before their parents, and all of them before the form's window.
    while (!components_.empty()) components_.pop_back();
}

std::wstring TForm::WindowClassName() const { return OwnClass(ToWide(layout_.ClassName), 0); }

DWORD TForm::WindowStyle() const {
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    if (layout_.BorderStyle == TBorderStyle::Sizeable) style |= WS_THICKFRAME;
    if (layout_.MinimizeButton) style |= WS_MINIMIZEBOX;
    if (layout_.MaximizeButton) style |= WS_MAXIMIZEBOX;
    return style;
}

DWORD TForm::WindowExStyle() const { return WS_EX_CONTROLPARENT; }

void TForm::CreateFirst() {
    // Made at the screen's resolution, then at its monitor's should that be another.
    ChangeScale(SystemDpi());
    CreateHandle();
    ChangeScale(WindowDpi(Handle()));
    if (TApplication* app = TApplication::Instance()) {
        if (HICON big = app->Icon(false)) SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
        if (HICON small = app->Icon(true))
            SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    }
    TraceStartup((layout_.Name + " window").c_str());
    const std::vector<bool> deferred = DeferredFlags();
    MakeComponents(deferred, false);
    for (const EventBinding& e : layout_.Events) {
        if (e.Event != "OnCreate") throw std::logic_error(layout_.Name + " has no event " + e.Event + ".");
        OnCreate = NotifyHandler(e.Handler);
    }
    BindEvents(deferred, false);
    ApplyTabOrder();
    RealignAll(*this);
    TraceStartup((layout_.Name + " controls").c_str());
    InvokeEvent(OnCreate);
}

void TForm::CreateDeferred() {
    if (complete_ || making_) return;
    making_ = true;
    const std::vector<bool> deferred = DeferredFlags();
    if (std::find(deferred.begin(), deferred.end(), true) == deferred.end()) {
        complete_ = true;
        return;
    }
    MakeComponents(deferred, true);
    BindEvents(deferred, true);
    complete_ = true;
    ApplyTabOrder();
    RealignAll(*this);
    TraceStartup((layout_.Name + " deferred controls").c_str());
    InvokeEvent([this] { DeferredCreated(); });
}

std::vector<bool> TForm::DeferredFlags() const {
    // Parents come before their children in a layout.
    std::set<std::string_view> deferredNames;
    std::vector<bool> flags;
    for (const ComponentLayout& l : layout_.Components) {
        const bool deferred = l.Deferred || deferredNames.contains(l.Parent);
        if (deferred) deferredNames.insert(l.Name);
        flags.push_back(deferred);
    }
    return flags;
}

void TForm::MakeComponents(const std::vector<bool>& deferred, bool Deferred) {
    for (std::size_t i = 0; i < layout_.Components.size(); ++i) {
        if (deferred[i] != Deferred) continue;
        const ComponentLayout& l = layout_.Components[i];
        TWinContainer* parent = this;
        if (!l.Parent.empty()) {
            parent = dynamic_cast<TWinContainer*>(FindComponent(l.Parent));
            if (!parent) throw std::logic_error("No container " + l.Parent + " for " + l.Name + ".");
        }
        if (FindComponent(l.Name)) throw std::logic_error("Two components named " + l.Name + ".");
        std::unique_ptr<TComponent> component = MakeComponent(parent, l);
        if (auto* control = dynamic_cast<TControl*>(component.get())) control->CreateHandle();
        byName_.emplace(l.Name, component.get());
        components_.push_back(std::move(component));
    }
}

void TForm::BindEvents(const std::vector<bool>& deferred, bool Deferred) {
    for (std::size_t i = 0; i < layout_.Components.size(); ++i) {
        if (deferred[i] != Deferred) continue;
        const ComponentLayout& l = layout_.Components[i];
        for (const EventBinding& e : l.Events) byName_.at(l.Name)->BindEvent(e.Event, *this, e.Handler);
    }
}

void TForm::RealignAll(TWinContainer& Container) {
    Container.Realign();
    for (TControl* c : Container.Controls())
        if (auto* inner = dynamic_cast<TWinContainer*>(c)) RealignAll(*inner);
}

SIZE TForm::OuterSize(int Width, int Height, int Dpi) const {
    const RECT frame = FrameForDpi(FrameStyle(layout_), 0, Dpi);
    return {Width + frame.right - frame.left, Height + frame.bottom - frame.top};
}

SIZE TForm::ClientSize(int Width, int Height, int Dpi) const {
    const RECT frame = FrameForDpi(FrameStyle(layout_), 0, Dpi);
    return {Width - (frame.right - frame.left), Height - (frame.bottom - frame.top)};
}

void TForm::Rescale(int Dpi, const RECT* Suggested) {
    const int from = PixelsPerInch();
    if (Dpi == from || Dpi <= 0) return;
    // The client area as it is (the frame drawn may differ from the one reckoned).
    SIZE client = ClientSize(Width(), Height(), from);
    RECT r;
    if (Handle() && !IsIconic(Handle()) && GetClientRect(Handle(), &r) && r.right > 0 && r.bottom > 0)
        client = {r.right, r.bottom};
    const SIZE scaled{MulDiv(client.cx, Dpi, from), MulDiv(client.cy, Dpi, from)};
    const SIZE outer = OuterSize(scaled.cx, scaled.cy, Dpi);
    SetPixelsPerInch(Dpi);
    // Parents before their children, as they were made.
    for (const auto& component : components_)
        if (auto* control = dynamic_cast<TControl*>(component.get())) control->ChangeScale(Dpi);
    const int left = Suggested ? Suggested->left : Left();
    const int top = Suggested ? Suggested->top : Top();
    if (!Handle()) {
        SetBoundsFields(left, top, outer.cx, outer.cy);
        return;
    }
    SetBounds(left, top, outer.cx, outer.cy);
    FitClientArea(scaled);
    RealignAll(*this);
    Invalidate();
    if (!components_.empty()) ScaleChanged();
}

void TForm::FitClientArea(SIZE Client) {
    // The frame Windows draws can differ from the one reckoned for the resolution (a
    // system that draws every frame at its own resolution): the client area decides.
    RECT r;
    if (!Handle() || !GetClientRect(Handle(), &r)) return;
    const int dx = Client.cx - r.right;
    const int dy = Client.cy - r.bottom;
    if (dx || dy) SetBounds(Left(), Top(), Width() + dx, Height() + dy);
}

void TForm::SetScaledOuterSize(int Width, int Height) {
    const SIZE client = ClientSize(Width, Height, kDesignDpi);
    const SIZE scaled{Scaled(client.cx), Scaled(client.cy)};
    const SIZE outer = OuterSize(scaled.cx, scaled.cy, PixelsPerInch());
    SetBounds(Left(), Top(), outer.cx, outer.cy);
    FitClientArea(scaled);
}

TComponent* TForm::FindComponent(std::string_view Name) const {
    const auto it = byName_.find(Name);
    return it == byName_.end() ? nullptr : it->second;
}

TNotifyEvent TForm::NotifyHandler(const std::string& Name) {
    TNotifyEvent handler = FindNotifyHandler(Name);
    if (!handler) throw std::logic_error(layout_.Name + " publishes no handler " + Name + ".");
    return handler;
}

TIdleEvent TForm::IdleHandler(const std::string& Name) {
    TIdleEvent handler = FindIdleHandler(Name);
    if (!handler) throw std::logic_error(layout_.Name + " publishes no handler " + Name + ".");
    return handler;
}

void TForm::CenterOnDesktop() {
    const int x = (GetSystemMetrics(SM_CXSCREEN) - Width()) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - Height()) / 2;
    SetBounds(x, y, Width(), Height());
}

void TForm::ShowInactive() {
    if (!shown_) {
        shown_ = true;
        CenterOnDesktop();
    }
    TControl::SetVisible(true);
    RedrawWindow(Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    TraceStartup((layout_.Name + " shown and painted").c_str());
}

void TForm::SetVisible(bool Visible) {
    if (Visible && !shown_) {
        shown_ = true;
        CenterOnDesktop();
    }
    TControl::SetVisible(Visible);
    if (Visible) {
        ShowWindow(Handle(), SW_SHOWNORMAL);
        SetForegroundWindow(Handle());
    }
}

void TForm::Close() {
    if (modal_) {
        modalResult_ = mrCancel;
        return;
    }
    Hide();
    TApplication* app = TApplication::Instance();
    if (app && app->MainForm() == this) app->Terminate();
}

int TForm::ShowModal() {
    TApplication& app = Application();
    // The other windows of the application wait while this one is shown.
    std::vector<HWND> disabled;
    for (const auto& form : app.Forms()) {
        HWND h = form->Handle();
        if (form.get() != this && IsWindowVisible(h) && IsWindowEnabled(h)) {
            EnableWindow(h, FALSE);
            disabled.push_back(h);
        }
    }
    modal_ = true;
    modalResult_ = mrNone;
    // Handled as one of the application's forms meanwhile: Tab and Enter work on it, and
    // its message boxes are its own.
    struct ModalScope {
        TApplication& app;
        TForm& form;
        ~ModalScope() { app.EndModal(form); }
    } scope{app, *this};
    app.BeginModal(*this);
    Show();
    while (modalResult_ == mrNone && !app.Terminated()) app.HandleMessage();
    for (HWND h : disabled) EnableWindow(h, TRUE);
    Hide();
    modal_ = false;
    return modalResult_;
}

LRESULT TForm::WndProc(UINT Message, WPARAM WParam, LPARAM LParam) {
    switch (Message) {
    case WM_CLOSE:
        if (CanClose()) Close();
        return 0;
    case WM_DPICHANGED:
        // Moved to a monitor of another resolution: drawn anew at it, where Windows suggests.
        Rescale(HIWORD(WParam), reinterpret_cast<const RECT*>(LParam));
        return 0;
    case WM_NEXTDLGCTL:
        // As a dialog does: the next or previous tab stop, or with LParam the control WParam.
        if (LParam) {
            if (IsChild(Handle(), reinterpret_cast<HWND>(WParam))) SetFocus(reinterpret_cast<HWND>(WParam));
        } else if (HWND next = GetNextDlgTabItem(Handle(), GetFocus(), WParam != 0)) {
            SetFocus(next);
        }
        return 0;
    case WM_ACTIVATE:
        // The focused control is kept while the form is inactive and given back after.
        if (LOWORD(WParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(Handle(), focus)) focus_ = focus;
        } else {
            HWND target = focus_ && IsWindow(focus_) && IsWindowVisible(focus_) && IsWindowEnabled(focus_)
                              ? focus_
                              : GetNextDlgTabItem(Handle(), nullptr, FALSE);
            if (target) SetFocus(target);
        }
        return 0;
    default: return TWinContainer::WndProc(Message, WParam, LParam);
    }
}

}  // namespace stp
