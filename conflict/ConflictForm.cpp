#include "conflict/ConflictForm.h"

#include <windows.h>

#include <cstring>
#include <utility>

#include "product/TextSets.h"
#include "resources/layouts/Layouts.h"
#include "ui/Application.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/SystemInfo.h"
#include "ui/Wide.h"
#include "ui/ProductConfig.h"

namespace stp {

namespace {

// Opens the clipboard, waiting a little while another program holds it.
bool OpenClipboardPatiently(HWND owner) {
    for (int attempt = 0; attempt < 25; ++attempt) {
        if (OpenClipboard(owner)) return true;
        Sleep(20);
    }
    return false;
}

// Puts Text on the clipboard as Unicode text; false when the clipboard stays busy.
bool CopyToClipboard(HWND owner, const std::u16string& text) {
    if (!OpenClipboardPatiently(owner)) return false;
    struct Closer {
        ~Closer() { CloseClipboard(); }
    } closer;
    EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(char16_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return false;
    if (void* target = GlobalLock(memory)) {
        std::memcpy(target, text.c_str(), bytes);
        GlobalUnlock(memory);
        // On success the clipboard owns the memory.
        if (SetClipboardData(CF_UNICODETEXT, memory)) return true;
    }
    GlobalFree(memory);
    return false;
}

}  // namespace

std::u16string ConflictProductLabel(const std::u16string& ExeName, const std::u16string& NoticeLabel) {
    if (!NoticeLabel.empty()) return NoticeLabel;
    return ExeName == u"Zindle" ? u"Orvane定时助手" : u"Orvane画图";
}

TfrmConflict::TfrmConflict() : TForm(FrmConflictLayout()) {}

TNotifyEvent TfrmConflict::FindNotifyHandler(const std::string& Name) {
    static const std::pair<const char*, void (TfrmConflict::*)()> handlers[] = {
        {"FormCreate", &TfrmConflict::FormCreate},
        {"Button1Click", &TfrmConflict::Button1Click},
        {"Button2Click", &TfrmConflict::Button2Click},
    };
    for (const auto& [name, method] : handlers)
        if (Name == name) return [this, method = method] { (this->*method)(); };
    return {};
}

void TfrmConflict::FormCreate() {
    Component<TLabel>("Label2").SetText(ProductString(Setting::WebChinese));
    if (WindowsMajorVersion() < 6) return;
    for (const char* name : {"Label1", "lblRegister", "lblContent", "Button1", "Button2"}) {
        auto& control = Component<TControl>(name);
        TFont font = control.Font();
        font.SetName(u"微软雅黑");
        font.SetSize(10);
        control.SetFont(font);
    }
}

void TfrmConflict::SetExeName(const std::u16string& ExeName) {
    exeName_ = ExeName;
    productLabel_ = ConflictProductLabel(ExeName, ProductString(Setting::NoticeLabel));
    const TextValues values{productLabel_, {}, {}, {}};
    SetCaption(FillText(kConflictCaption.Chinese, values));
    Component<TLabel>("lblContent").SetText(FillText(kConflictContent.Chinese, values));
}

void TfrmConflict::Button1Click() {
    // The confirmation tells the user to paste: it is shown only when there is
    // something to paste. Another press tries again.
    if (CopyToClipboard(Handle(), Component<TLabel>("Label2").Text()))
        Application().ShowMessage(kConflictCopied.Chinese);
}

void TfrmConflict::Button2Click() { SetModalResult(mrCancel); }

}  // namespace stp
