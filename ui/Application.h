// The application object: COM on the user-interface thread, the application icon and
// title, the forms (the first one created is the main form), the message loop with its
// idle notification, and modal message boxes owned by the active form.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/Form.h"
#include "ui/Handles.h"

namespace stp {

class TApplicationEvents;

class TApplication {
public:
    TApplication();
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // The one application object of the process, or null before it exists.
    static TApplication* Instance() noexcept;

    // Initialises COM on this thread as a single-threaded apartment (released with the
    // object) and the common controls.
    void Initialize();

    // Loads the icon group Name of the executable in its large and small sizes; raises
    // when the executable has none.
    void LoadAppIcon(const wchar_t* Name);
    HICON Icon(bool Small) const noexcept { return Small ? smallIcon_.get() : icon_.get(); }

    const std::u16string& Title() const noexcept { return title_; }
    void SetTitle(const std::u16string& Title);

    // Creates a form of class T, owned by the application; the first is the main form.
    template <class T>
    T& CreateForm() {
        T& result = AddForm<T>();
        result.Create();
        return result;
    }
    // Creates the main form up to what it shows first: Run shows it, then makes its
    // deferred components before it handles any message.
    template <class T>
    T& CreateMainForm() {
        T& result = AddForm<T>();
        mainForm_ = &result;
        result.CreateFirst();
        return result;
    }
    TForm* MainForm() const noexcept { return mainForm_; }
    // A form shown modally, which the application may not own (a local notice): while it
    // is shown it is handled like the application's forms (keyboard, message owner).
    void BeginModal(TForm& Form);
    void EndModal(TForm& Form);
    const std::vector<std::unique_ptr<TForm>>& Forms() const noexcept { return forms_; }

    // Shows the main form (made complete once it shows) and handles messages until the
    // application is terminated.
    void Run();
    // Handles one message, or when there is none runs the idle notification and waits.
    void HandleMessage();
    // Handles the waiting messages, without idle notification.
    void ProcessMessages();
    // Runs the idle handlers; true when none asked to be called again at once.
    bool Idle();
    void Terminate();
    bool Terminated() const noexcept { return terminated_; }

    // A modal message box owned by the active form; returns the button pressed.
    int ShowMessageBox(const std::u16string& Text, const std::u16string& Caption, UINT Flags);
    // An OK box without icon, titled with the application title.
    void ShowMessage(const std::u16string& Text);

    // Reports an error a handler raised; by default in a message box.
    std::function<void(const std::exception&)> OnException;
    // Runs once Run has shown the main form.
    std::function<void()> OnShown;
    void HandleException(const std::exception& Error);

    void AddEvents(TApplicationEvents& Events);
    void RemoveEvents(TApplicationEvents& Events);

private:
    template <class T>
    T& AddForm() {
        auto form = std::make_unique<T>();
        T& result = *form;
        forms_.push_back(std::move(form));
        if (!mainForm_) mainForm_ = &result;
        return result;
    }
    bool ProcessMessage();
    HWND ActiveFormHandle() const;

    std::optional<ComApartment> com_;
    IconHandle icon_;
    IconHandle smallIcon_;
    std::u16string title_;
    std::vector<std::unique_ptr<TForm>> forms_;
    TForm* mainForm_ = nullptr;
    std::vector<TForm*> modal_;
    std::vector<TApplicationEvents*> events_;
    bool terminated_ = false;
};

// The application object; raises when there is none.
TApplication& Application();

// Reports Error through the application object, or in a plain message box without one.
void ReportException(const std::exception& Error);

}  // namespace stp
