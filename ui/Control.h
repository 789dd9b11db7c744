// The component layer's base classes. A TComponent has a name and events bound by the
// form's handler names; a TControl is a component with a window of its own, positioned
// in its parent, with a font, a colour, visibility and enabled state. Every control's
// window carries its component name as the property "ComponentName" (a global atom),
// so that another process can find it by name.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/Font.h"
#include "ui/Handles.h"
#include "ui/Layout.h"

namespace stp {

class TForm;
class TWinContainer;

using TNotifyEvent = std::function<void()>;
using TIdleEvent = std::function<void(bool& Done)>;

// Runs an event handler; an error it raises is reported to the user in a message box,
// as the component layer does for every handler, and does not leave the window procedure.
void InvokeEvent(const TNotifyEvent& event);

class TComponent {
public:
    explicit TComponent(std::string Name);
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const noexcept { return name_; }

    // Binds Event to the form's handler named Handler; raises for an event the
    // component does not have or a handler the form does not publish.
    virtual void BindEvent(const std::string& Event, TForm& Form, const std::string& Handler);

private:
    std::string name_;
};

class TControl : public TComponent {
public:
    TControl(TWinContainer* Parent, const ComponentLayout& Layout);
    ~TControl() override;

    // Makes the window; the form calls it once the object is fully constructed.
    void CreateHandle();
    HWND Handle() const noexcept { return handle_; }
    TWinContainer* Parent() const noexcept { return parent_; }
    // Moves the control into another container, keeping its position there.
    void SetParent(TWinContainer& Parent);

    int Left() const noexcept { return left_; }
    int Top() const noexcept { return top_; }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    void SetLeft(int Left) { SetBounds(Left, top_, width_, height_); }
    void SetTop(int Top) { SetBounds(left_, Top, width_, height_); }
    void SetWidth(int Width) { SetBounds(left_, top_, Width, height_); }
    void SetHeight(int Height) { SetBounds(left_, top_, width_, Height); }
    virtual void SetBounds(int Left, int Top, int Width, int Height);

    // The resolution the control is drawn at; its layout was given at 96 DPI.
    int PixelsPerInch() const noexcept { return ppi_; }
    // Value, a length at 96 DPI, at the control's resolution.
    int Scaled(int Value) const { return MulDiv(Value, ppi_, 96); }
    // The control at Dpi: its place and size scaled from its resolution, then its font.
    virtual void ChangeScale(int Dpi);

    TAlign Align() const noexcept { return align_; }
    void SetAlign(TAlign Align);

    bool Visible() const noexcept { return visible_; }
    virtual void SetVisible(bool Visible);
    // Visible, and every parent up to the form visible too.
    bool Showing() const;

    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool Enabled);

    virtual std::u16string Text() const;
    virtual void SetText(const std::u16string& Text);

    const TFont& Font() const noexcept { return font_; }
    void SetFont(const TFont& Font);

    // The control's own colour, or its parent's when it has none.
    TColor Color() const;
    void SetColor(TColor Color);

    int TabOrder() const noexcept { return tabOrder_; }

    // A brush of Color(), owned by the control.
    HBRUSH BackgroundBrush() const;
    void Invalidate() const;

    // Notifications and colour requests the parent window receives for this control.
    virtual void Notify(WORD Code);
    virtual HBRUSH ControlColor(HDC Dc);
    // Messages of the component layer's own window classes.
    virtual LRESULT WndProc(UINT Message, WPARAM WParam, LPARAM LParam);

    static TControl* FromHandle(HWND Window);
    // The parent container is going away, and with it this control's window.
    void ParentDestroyed() noexcept;

protected:
    // A class registered by the component layer, or a standard control class.
    virtual std::wstring WindowClassName() const = 0;
    virtual DWORD WindowStyle() const;
    virtual DWORD WindowExStyle() const { return 0; }
    virtual HWND ParentHandle() const;
    virtual void HandleCreated() {}
    virtual void FontChanged();
    virtual void TextChanged() {}
    virtual void Paint(HDC) {}

    // Registers one of the layer's own window classes once; returns its name.
    static std::wstring OwnClass(const std::wstring& Name, UINT Style = CS_HREDRAW | CS_VREDRAW);
    void SetBoundsFields(int Left, int Top, int Width, int Height);
    // Takes Dpi as the control's resolution, with its font scaled to it.
    void SetPixelsPerInch(int Dpi);

private:
    friend LRESULT CALLBACK OwnClassProc(HWND, UINT, WPARAM, LPARAM);

    TWinContainer* parent_;
    HWND handle_ = nullptr;
    GlobalAtom nameAtom_;
    int ppi_ = 96;
    int left_, top_, width_, height_;
    TAlign align_;
    bool visible_;
    bool enabled_;
    int tabOrder_;
    std::u16string initialText_;
    TFont font_;
    std::optional<TColor> color_;
    mutable BrushHandle brush_;
    mutable COLORREF brushColor_ = CLR_INVALID;
};

}  // namespace stp
