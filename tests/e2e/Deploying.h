// The fixture of the deployable installer's tests (and of the elevated install's).
#pragma once

#include "tests/e2e/EndToEnd.h"

namespace stp::e2e {

// The vendor's product made with Unattended = yes, installed the way deployment tools
// run it: the command line, no person, the exit code and the log.
class Deploying : public SetupEndToEnd {
protected:
    static inline const std::u16string kLog = kWork + u"setup.log";
    static inline const std::u16string kDefault = u"C:\\Program Files\\Hollin Works\\Karvel\\";
    static inline const std::u16string kName = u"Orvane Karvel";

    void TearDown() override {
        RemoveTree(u"C:\\Deploy Here");
        DeleteFileW(ToWide(PublicDesktopLink()).c_str());
        SetupEndToEnd::TearDown();
    }

    static std::u16string PublicDesktopLink() {
        PWSTR path = nullptr;
        std::u16string folder;
        if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_PublicDesktop, 0, nullptr, &path))) folder = FromWide(path);
        CoTaskMemFree(path);
        return folder + u"\\" + kName + u".lnk";
    }

    // Runs the English vendor installer with Arguments to its end, watching the whole run
    // for the top-level windows its process shows; their window classes are kept.
    DWORD RunInstaller(const std::u16string& arguments, const std::u16string& file = u"Vendor-setup-2.exe") {
        test::TestProcess setup(ToWide(BinDir() + file), ToWide(arguments));
        shown_.clear();
        const DWORD id = setup.Id();
        for (int i = 0; i < 6000 && WaitForSingleObject(setup.Handle(), 5) == WAIT_TIMEOUT; ++i) {
            struct Seen {
                DWORD id;
                std::vector<std::u16string>* classes;
            } seen{id, &shown_};
            EnumWindows(
                [](HWND window, LPARAM data) -> BOOL {
                    auto* s = reinterpret_cast<Seen*>(data);
                    DWORD owner = 0;
                    GetWindowThreadProcessId(window, &owner);
                    if (owner != s->id || !IsWindowVisible(window)) return TRUE;
                    wchar_t name[256] = {};
                    GetClassNameW(window, name, 256);
                    if (std::find(s->classes->begin(), s->classes->end(), FromWide(name)) == s->classes->end())
                        s->classes->push_back(FromWide(name));
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&seen));
        }
        return setup.Wait(kWaitMs);
    }

    static std::string Shown(const std::vector<std::u16string>& classes) {
        std::string text;
        for (const auto& c : classes) text += ToUtf8(c) + " ";
        return text;
    }

    static std::string LogText() { return Exists(kLog) ? ReadAll(kLog) : "(no log)"; }

    void ExpectNothingWritten() {
        EXPECT_FALSE(Exists(u"C:\\Program Files\\Hollin Works"));
        for (const char16_t* folder : {u"C:\\Lumen", u"C:\\Lumen3", u"C:\\Lumen. ."})
            EXPECT_FALSE(Exists(folder)) << ToUtf8(folder);
        EXPECT_FALSE(Exists(u"C:\\Deploy Here"));
        EXPECT_TRUE(RegReadStringValue(HKEY_LOCAL_MACHINE, kUninstallRoot + kName, u"DisplayName").empty());
    }

    std::vector<std::u16string> shown_;
};

}  // namespace stp::e2e
