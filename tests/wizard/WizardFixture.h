// Creates the real wizard TForm1 in the test process, with the demo product's resources
// linked into the test, and drives it as the message loop would.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/Application.h"
#include "ui/Button.h"
#include "ui/Resources.h"
#include "install/LanguageMode.h"
#include "wizard/SetupForm.h"

namespace stp::test {

// A wizard whose install action succeeds at once and whose finish is only recorded, so
// that the tests can reach and leave the completion page.
class InstallingForm1 : public TForm1 {
public:
    int Installs = 0;
    int Finishes = 0;

protected:
    bool InstallFiles() override {
        ++Installs;
        return true;
    }
    void Finish() override { ++Finishes; }
};

// A resource-only module beside the test program (a variant of the product's resources),
// loaded as data; null when it cannot be.
inline HMODULE LoadResourcesBesideTest(const wchar_t* FileName) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring file(path);
    file = file.substr(0, file.find_last_of(L'\\') + 1) + FileName;
    return LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override {
        app_.emplace();
        app_->Initialize();
        // A handler's error is a test failure, not a message box waiting for a click.
        app_->OnException = [this](const std::exception& e) { errors_.push_back(e.what()); };
    }

    void TearDown() override {
        EXPECT_TRUE(errors_.empty()) << "handler error: " << (errors_.empty() ? "" : errors_.front());
        app_.reset();
        LanguageMode = 0;
        SetResourceModule(nullptr);
    }

    template <class F = InstallingForm1>
    F& MakeForm(int mode) {
        LanguageMode = mode;
        return app_->CreateForm<F>();
    }

    // What the message loop does once the click's messages are handled.
    void Idle() {
        app_->ProcessMessages();
        app_->Idle();
    }

    void Click(TForm& form, const char* button) {
        form.Component<TButton>(button).Click();
        Idle();
    }

    TApplication& App() { return *app_; }
    std::vector<std::string> errors_;

private:
    std::optional<TApplication> app_;
};

}  // namespace stp::test
