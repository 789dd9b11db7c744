// A top-level window built from a stored layout: it makes its components, binds their
// events to its own handlers by name, and runs OnCreate. Derived forms publish their
// handlers through FindNotifyHandler and FindIdleHandler.
#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Container.h"
#include "ui/Layout.h"

namespace stp {

constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;

class TForm : public TWinContainer {
public:
    explicit TForm(const FormLayout& Layout);
    ~TForm() override;

    // Builds the window and the components, binds the handlers and runs OnCreate, then
    // makes the deferred components. An error in OnCreate (or in DeferredCreated) is
    // reported and ends only that handler, as with every handler.
    void Create() {
        CreateFirst();
        CreateDeferred();
    }
    // The window and the components not deferred, their handlers bound, then OnCreate.
    void CreateFirst();
    // The deferred components, their handlers bound, then DeferredCreated; once only.
    void CreateDeferred();
    bool Complete() const noexcept { return complete_; }

    TComponent* FindComponent(std::string_view Name) const;
    // The component Name of kind T; raises when there is none.
    template <class T>
    T& Component(std::string_view Name) const {
        if (auto* c = dynamic_cast<T*>(FindComponent(Name))) return *c;
        throw std::logic_error("No component " + std::string(Name) + " of that kind.");
    }

    std::u16string Caption() const { return Text(); }
    void SetCaption(const std::u16string& Caption) { SetText(Caption); }

    // The form at Dpi: its client area and every component scaled, the frame the one
    // Windows draws at Dpi. At Suggested (screen coordinates) when given.
    void ChangeScale(int Dpi) override { Rescale(Dpi, nullptr); }
    void Rescale(int Dpi, const RECT* Suggested);
    // The outer size that Width and Height, an outer size at 96 DPI, give at the form's
    // resolution: the client area they leave at 96 DPI scaled, in this resolution's frame.
    void SetScaledOuterSize(int Width, int Height);

    void SetVisible(bool Visible) override;
    void Show() { SetVisible(true); }
    // Placed and shown as Show does, but without taking the focus, and painted at once:
    // for a form shown before it is complete.
    void ShowInactive();
    void Hide() { SetVisible(false); }
    // Closing the main form ends the application; closing a modal form ends its show.
    void Close();
    int ShowModal();
    int ModalResult() const noexcept { return modalResult_; }
    void SetModalResult(int Result) { modalResult_ = Result; }

    // The form's handler named Name; raises when the form publishes none.
    TNotifyEvent NotifyHandler(const std::string& Name);
    TIdleEvent IdleHandler(const std::string& Name);

    TNotifyEvent OnCreate;

    LRESULT WndProc(UINT Message, WPARAM WParam, LPARAM LParam) override;

protected:
    // Whether a close request (the close box, Alt+F4, the system menu) is taken now.
    virtual bool CanClose() { return true; }
    // The form was drawn anew at another resolution, its components made already.
    virtual void ScaleChanged() {}
    // The deferred components are made: the form sets them up as OnCreate did the others.
    virtual void DeferredCreated() {}
    virtual TNotifyEvent FindNotifyHandler(const std::string&) { return {}; }
    virtual TIdleEvent FindIdleHandler(const std::string&) { return {}; }

    std::wstring WindowClassName() const override;
    DWORD WindowStyle() const override;
    DWORD WindowExStyle() const override;
    HWND ParentHandle() const override { return nullptr; }

private:
    // Makes (and binds the events of) the layout's components that are deferred, or not;
    // Flags as DeferredFlags gives them.
    void MakeComponents(const std::vector<bool>& Flags, bool Deferred);
    void BindEvents(const std::vector<bool>& Flags, bool Deferred);
    // Whether each of the layout's components, in order, is deferred (itself or a parent).
    std::vector<bool> DeferredFlags() const;
    void CenterOnDesktop();
    void RealignAll(TWinContainer& Container);
    // The outer size around a client area of Width by Height at Dpi.
    SIZE OuterSize(int Width, int Height, int Dpi) const;
    SIZE ClientSize(int Width, int Height, int Dpi) const;
    // Sets the outer size so that the client area is Client.
    void FitClientArea(SIZE Client);

    const FormLayout& layout_;
    std::vector<std::unique_ptr<TComponent>> components_;
    std::map<std::string, TComponent*, std::less<>> byName_;
    int modalResult_ = mrNone;
    bool modal_ = false;
    bool shown_ = false;
    bool making_ = false;    // the deferred components are being made
    bool complete_ = false;  // and they are
    HWND focus_ = nullptr;
};

}  // namespace stp
