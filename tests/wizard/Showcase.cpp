// Shows the real wizard page by page, in the Chinese and then the English text set, so
// that screenshots.sh can photograph each page: for every page it writes
//   READY <set>-page<N> <left> <top> <right> <bottom>
// and waits for a line on its input before it moves on. The install action is replaced
// by one that succeeds at once, so that the completion page is reached.
#include <windows.h>

#include <string>

#include "ui/Application.h"
#include "ui/Button.h"
#include "ui/Panel.h"
#include "install/LanguageMode.h"
#include "wizard/SetupForm.h"

namespace {

class ShowcaseForm1 : public stp::TForm1 {
protected:
    bool InstallFiles() override { return true; }
    void Finish() override {}
};

void Write(const std::string& line) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

// Until a line feed arrives or the input ends.
void WaitForLine() {
    char c = 0;
    DWORD read = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &c, 1, &read, nullptr) && read == 1 && c != '\n') {
    }
}

// Lets the window paint itself completely.
void Settle(stp::TApplication& app) {
    for (int i = 0; i < 10; ++i) {
        app.ProcessMessages();
        app.Idle();
        app.ProcessMessages();
        Sleep(50);
    }
}

// The one page whose panel shows, or 0 when none or several do.
int ShowingPage(stp::TForm& form) {
    int showing = 0;
    for (int page = 1; page <= 4; ++page) {
        if (!form.Component<stp::TPanel>("pnlStep" + std::to_string(page)).Visible()) continue;
        if (showing) return 0;
        showing = page;
    }
    return showing;
}

void ShowPages(int mode, const char* set) {
    stp::LanguageMode = mode;
    stp::TApplication app;
    app.Initialize();
    app.LoadAppIcon(L"AppIcon");
    auto& form = app.CreateForm<ShowcaseForm1>();
    form.Show();
    for (int page = 1; page <= 4; ++page) {
        Settle(app);
        // A picture of the wrong page is no picture of this one: stop instead.
        if (ShowingPage(form) != page) {
            Write("WRONG " + std::string(set) + "-page" + std::to_string(page) + " shows page " +
                  std::to_string(ShowingPage(form)) + "\n");
            ExitProcess(1);
        }
        RECT r;
        GetWindowRect(form.Handle(), &r);
        Write("READY " + std::string(set) + "-page" + std::to_string(page) + " " + std::to_string(r.left) + " " +
              std::to_string(r.top) + " " + std::to_string(r.right) + " " + std::to_string(r.bottom) + "\n");
        WaitForLine();
        if (page < 4) form.Component<stp::TButton>("btnNext").Click();
    }
}

}  // namespace

int wmain() {
    ShowPages(0, "chinese");
    ShowPages(2, "english");
    Write("DONE\n");
    return 0;
}
