#include "ui/Control.h"

#include <set>
#include <stdexcept>

#include "datatable/Text.h"
#include "ui/Application.h"
#include "ui/Container.h"
#include "ui/Form.h"
#include "ui/Wide.h"

namespace stp {

namespace {

constexpr wchar_t ControlProperty[] = L"StpControl";
constexpr wchar_t NameProperty[] = L"ComponentName";

// Child window ids start above IDOK and IDCANCEL, so that Enter and Escape, which
// the dialog keyboard handling turns into those ids, never click a control by accident.
int NextControlId() {
    static int id = 100;
    return id++;
}

}  // namespace

void InvokeEvent(const TNotifyEvent& event) {
    if (!event) return;
    try {
        event();
    } catch (const std::exception& error) {
        ReportException(error);
    }
}

TComponent::TComponent(std::string Name) : name_(std::move(Name)) {}

TComponent::~TComponent() = default;

void TComponent::BindEvent(const std::string& Event, TForm&, const std::string&) {
    throw std::logic_error(name_ + " has no event " + Event + ".");
}

LRESULT CALLBACK OwnClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* control = static_cast<TControl*>(create->lpCreateParams);
        control->handle_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
    }
    auto* control = reinterpret_cast<TControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!control) return DefWindowProcW(window, message, wParam, lParam);
    return control->WndProc(message, wParam, lParam);
}

std::wstring TControl::OwnClass(const std::wstring& Name, UINT Style) {
    static std::set<std::wstring> registered;
    if (registered.insert(Name).second) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = Style;
        wc.lpfnWndProc = OwnClassProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = Name.c_str();
        if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            throw std::runtime_error("A window class cannot be registered.");
    }
    return Name;
}

TControl::TControl(TWinContainer* Parent, const ComponentLayout& Layout)
    : TComponent(Layout.Name), parent_(Parent), left_(Layout.Left), top_(Layout.Top), width_(Layout.Width),
      height_(Layout.Height), align_(Layout.Align), visible_(Layout.Visible), enabled_(Layout.Enabled),
      tabOrder_(Layout.TabOrder), initialText_(Layout.Text), color_(Layout.Color) {
    // A child is drawn at its parent's resolution; the layout's lengths are at 96 DPI.
    if (Parent) ppi_ = Parent->PixelsPerInch();
    left_ = Scaled(left_);
    top_ = Scaled(top_);
    width_ = Scaled(width_);
    height_ = Scaled(height_);
    if (Layout.Font) {
        font_ = TFont(*Layout.Font);
        font_.ChangeScale(ppi_);
    } else if (Parent) {
        font_ = Parent->Font();
    }
}

TControl::~TControl() {
    if (handle_ && IsWindow(handle_)) {
        RemovePropW(handle_, NameProperty);
        RemovePropW(handle_, ControlProperty);
        SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
        DestroyWindow(handle_);
    }
    if (parent_) parent_->RemoveControl(*this);
}

DWORD TControl::WindowStyle() const {
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    if (visible_) style |= WS_VISIBLE;
    if (!enabled_) style |= WS_DISABLED;
    return style;
}

HWND TControl::ParentHandle() const { return parent_ ? parent_->Handle() : nullptr; }

void TControl::CreateHandle() {
    const std::wstring className = WindowClassName();
    const std::wstring text = ToWide(initialText_);
    const bool child = parent_ != nullptr;
    const HMENU id = child ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextControlId())) : nullptr;
    HWND window = CreateWindowExW(WindowExStyle(), className.c_str(), text.c_str(), WindowStyle(), left_, top_, width_,
                                  height_, ParentHandle(), id, GetModuleHandleW(nullptr), this);
    if (!window) throw std::runtime_error("The window of " + Name() + " cannot be created.");
    handle_ = window;
    SetPropW(window, ControlProperty, this);
    nameAtom_ = GlobalAtom(ToWide(Name()));
    SetPropW(window, NameProperty, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(nameAtom_.Get())));
    initialText_.clear();
    if (parent_) parent_->InsertControl(*this);
    HandleCreated();
    FontChanged();
}

void TControl::ParentDestroyed() noexcept {
    parent_ = nullptr;
    handle_ = nullptr;
}

TControl* TControl::FromHandle(HWND Window) { return static_cast<TControl*>(GetPropW(Window, ControlProperty)); }

void TControl::SetParent(TWinContainer& Parent) {
    if (parent_ == &Parent) return;
    TWinContainer* old = parent_;
    if (old) old->RemoveControl(*this);
    parent_ = &Parent;
    ::SetParent(handle_, Parent.Handle());
    Parent.InsertControl(*this);
    if (old) old->Realign();
    Parent.Realign();
    Invalidate();
}

void TControl::SetBoundsFields(int Left, int Top, int Width, int Height) {
    left_ = Left;
    top_ = Top;
    width_ = Width;
    height_ = Height;
}

void TControl::SetBounds(int Left, int Top, int Width, int Height) {
    const bool changed = Left != left_ || Top != top_ || Width != width_ || Height != height_;
    SetBoundsFields(Left, Top, Width, Height);
    if (!handle_ || !changed) return;
    MoveWindow(handle_, Left, Top, Width, Height, TRUE);
    if (align_ != TAlign::alNone && parent_) parent_->Realign();
}

void TControl::ChangeScale(int Dpi) {
    const int from = ppi_;
    if (Dpi == from || Dpi <= 0) return;
    // The size first: a label sized to its text measures it again in the new font.
    SetBounds(MulDiv(left_, Dpi, from), MulDiv(top_, Dpi, from), MulDiv(width_, Dpi, from), MulDiv(height_, Dpi, from));
    SetPixelsPerInch(Dpi);
}

void TControl::SetPixelsPerInch(int Dpi) {
    ppi_ = Dpi;
    font_.ChangeScale(Dpi);
    if (handle_) FontChanged();
}

void TControl::SetAlign(TAlign Align) {
    if (align_ == Align) return;
    align_ = Align;
    if (parent_) parent_->Realign();
}

void TControl::SetVisible(bool Visible) {
    if (visible_ == Visible) return;
    visible_ = Visible;
    if (!handle_) return;
    // An aligned control takes its place before it shows, so it never flashes elsewhere.
    if (Visible && align_ != TAlign::alNone && parent_) parent_->Realign();
    ShowWindow(handle_, Visible ? SW_SHOWNA : SW_HIDE);
    if (!Visible && align_ != TAlign::alNone && parent_) parent_->Realign();
}

bool TControl::Showing() const {
    for (const TControl* c = this; c; c = c->parent_)
        if (!c->visible_) return false;
    return true;
}

void TControl::SetEnabled(bool Enabled) {
    if (enabled_ == Enabled) return;
    enabled_ = Enabled;
    if (handle_) {
        EnableWindow(handle_, Enabled ? TRUE : FALSE);
        Invalidate();
    }
}

std::u16string TControl::Text() const {
    if (!handle_) return initialText_;
    const int length = GetWindowTextLengthW(handle_);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(handle_, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return FromWide(text);
}

void TControl::SetText(const std::u16string& Text) {
    if (!handle_) {
        initialText_ = Text;
        return;
    }
    if (this->Text() == Text) return;
    SetWindowTextW(handle_, ToWide(Text).c_str());
    TextChanged();
    Invalidate();
}

void TControl::SetFont(const TFont& Font) {
    font_ = Font;
    if (handle_) FontChanged();
}

void TControl::FontChanged() {
    SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), TRUE);
    Invalidate();
}

TColor TControl::Color() const {
    if (color_) return *color_;
    return parent_ ? parent_->Color() : clBtnFace;
}

void TControl::SetColor(TColor Color) {
    color_ = Color;
    Invalidate();
}

HBRUSH TControl::BackgroundBrush() const {
    const COLORREF rgb = ColorToRGB(Color());
    if (!brush_ || brushColor_ != rgb) {
        brush_.reset(CreateSolidBrush(rgb));
        brushColor_ = rgb;
    }
    return brush_.get();
}

void TControl::Invalidate() const {
    if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

void TControl::Notify(WORD) {}

HBRUSH TControl::ControlColor(HDC Dc) {
    SetTextColor(Dc, ColorToRGB(font_.Color()));
    SetBkColor(Dc, ColorToRGB(Color()));
    return BackgroundBrush();
}

LRESULT TControl::WndProc(UINT Message, WPARAM WParam, LPARAM LParam) {
    switch (Message) {
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(handle_, &r);
        FillRect(reinterpret_cast<HDC>(WParam), &r, BackgroundBrush());
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(handle_, &ps);
        try {
            Paint(dc);
        } catch (...) {
            // Painting never reports: the next paint tries again.
        }
        EndPaint(handle_, &ps);
        return 0;
    }
    case WM_SETFONT: return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font_.Handle());
    default: return DefWindowProcW(handle_, Message, WParam, LParam);
    }
}

}  // namespace stp
