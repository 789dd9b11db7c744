#include "ui/Form.h"

#include "ui/Application.h"
#include "ui/ApplicationEvents.h"
#include "ui/Bevel.h"
#include "ui/Button.h"
#include "ui/CheckBox.h"
#include "ui/Edit.h"
#include "ui/GroupBox.h"
#include "ui/Image.h"
#include "ui/Label.h"
#include "ui/Memo.h"
#include "ui/Panel.h"
#include "ui/ProgressBar.h"
#include "ui/Wide.h"

namespace stp {

namespace {

ComponentLayout FormAsComponent(const FormLayout& layout) {
    ComponentLayout c{.Kind = TComponentKind::Panel, .Name = layout.Name};
    RECT r{0, 0, layout.Width, layout.Height};
    if (layout.ClientSize) {
        const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU |
                            (layout.BorderStyle == TBorderStyle::Sizeable ? WS_THICKFRAME : 0);
        AdjustWindowRectEx(&r, style, FALSE, 0);
    }
    c.Width = r.right - r.left;
    c.Height = r.bottom - r.top;
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

void TForm::Create() {
    CreateHandle();
    if (TApplication* app = TApplication::Instance()) {
        if (HICON big = app->Icon(false)) SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
        if (HICON small = app->Icon(true)) SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    }
    MakeComponents();
    BindEvents();
    ApplyTabOrder();
    RealignAll(*this);
    InvokeEvent(OnCreate);
}

void TForm::MakeComponents() {
    for (const ComponentLayout& l : layout_.Components) {
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

void TForm::BindEvents() {
    for (const EventBinding& e : layout_.Events) {
        if (e.Event != "OnCreate") throw std::logic_error(layout_.Name + " has no event " + e.Event + ".");
        OnCreate = NotifyHandler(e.Handler);
    }
    for (const ComponentLayout& l : layout_.Components)
        for (const EventBinding& e : l.Events) byName_.at(l.Name)->BindEvent(e.Event, *this, e.Handler);
}

void TForm::RealignAll(TWinContainer& Container) {
    Container.Realign();
    for (TControl* c : Container.Controls())
        if (auto* inner = dynamic_cast<TWinContainer*>(c)) RealignAll(*inner);
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
        Close();
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
    default:
        return TWinContainer::WndProc(Message, WParam, LParam);
    }
}

}  // namespace stp
