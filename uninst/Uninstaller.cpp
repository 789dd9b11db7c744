#include "uninst/Uninstaller.h"

#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "sys/RunningProgram.h"
#include "datatable/Convert.h"
#include "datatable/Text.h"
#include "package/FileList.h"
#include "package/HeldTree.h"
#include "package/Removal.h"
#include "product/ProductTable.h"
#include "product/UninstallEntry.h"
#include "sys/Handles.h"
#include "sys/PrivateMutex.h"
#include "sys/Registry.h"
#include "sys/ShortcutRemoval.h"
#include "sys/Shortcuts.h"
#include "ui/Resources.h"
#include "ui/Wide.h"
#include "uninst/SelfRemoval.h"
#include "uninst/UninstTexts.h"
#include "ui/ProductConfig.h"

namespace stp {

namespace {

std::u16string OwnPath() {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return FromWide(path);
}

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

std::u16string FolderOf(const std::u16string& file) { return file.substr(0, file.find_last_of(u'\\') + 1); }

std::u16string ParentOf(std::u16string folder) {
    while (!folder.empty() && folder.back() == u'\\') folder.pop_back();
    return folder.substr(0, folder.find_last_of(u'\\') + 1);
}

bool SamePath(const std::u16string& a, const std::u16string& b) { return EqualsIgnoringAsciiCase(a, b); }

// COM for the shell link object, for as long as the uninstaller needs it.
class ComApartment {
public:
    ComApartment() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (ok_) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool ok_;
};

class Uninstaller {
public:
    explicit Uninstaller(bool silent)
        : silent_(silent), mode_(ConfiguredLanguageMode()), displayName_(ProductDisplayName(mode_)),
          texts_(MakeUninstTexts(mode_, displayName_)), self_(OwnPath()), destination_(FolderOf(self_)) {}

    int Run() {
        // One uninstall of the product at a time, held until this process ends, and none
        // while its installer runs.
        const TPrivateMutex only(MutexName(kUninstallMutexPrefix));
        if (only.MadeBefore() || only.OtherExists(MutexName(kSetupMutexPrefix))) {
            Tell(texts_.AnotherRuns, MB_ICONEXCLAMATION);
            return ueAnotherRuns;
        }
        const TargetWindow target{ProductString(Setting::WindowClass), ProductString(Setting::TitleEnglish),
                                  ProductString(Setting::TitleChinese)};
        if (!FindRunningTitle(target).empty()) {
            Tell(texts_.Running, MB_ICONEXCLAMATION);
            return ueProgramRunning;
        }
        // Only the uninstaller the entry names removes anything: a copy of it elsewhere
        // would take the files of its own folder for the product's.
        if (!IsRegisteredHere()) {
            Tell(texts_.NotInstalledHere, MB_ICONERROR);
            return ueNotInstalledHere;
        }
        if (!silent_ && Ask(texts_.Confirm) != IDOK) return ueCancelled;

        // Everything below goes through this folder's handle: it is reached through no
        // link now, and whatever is renamed or linked later does not move what it holds.
        THeldFolder destination = THeldFolder::OpenRoot(destination_);
        std::vector<TFileListRow> rows =
            ReadFileList(AsText(LoadResourceData(Wide(kFileListResource), Wide(kStpResourceType))));
        AddEarlierRows(destination, rows);
        RemoveShortcuts(destination.PathOf(ProductString(Setting::ExeName) + u".exe"));
        const TRemovalHooks hooks{DeleteAtRestart, UnforeseeableName};
        for (TRemovalItem& item : RemoveInstalled(destination, PlanUninstall(rows), hooks)) items_.push_back(item);
        RemoveUninstallEntry();
        // Another program's current folder: emptied now, removed at the restart.
        if (destination.InUse()) items_.push_back({destination.Path(), TRemovalOutcome::AtRestart, {}});
        const std::unique_ptr<THeldFolder> maker = ProposedMakerFolder();
        const bool waiting = Count(TRemovalOutcome::AtRestart) > 0;
        if (!StartSelfRemoval(destination, maker.get(), waiting))
            items_.push_back({destination.PathOf(kUninstallerName), TRemovalOutcome::AtRestart, {}});
        Tell(ClosingMessage(), Count(TRemovalOutcome::Failed)      ? MB_ICONERROR
                               : Count(TRemovalOutcome::AtRestart) ? MB_ICONWARNING
                                                                   : MB_ICONINFORMATION);
        return Count(TRemovalOutcome::Failed)      ? ueIncomplete
               : Count(TRemovalOutcome::AtRestart) ? ueDoneAtRestart
                                                   : ueDone;
    }

private:
    static std::string AsText(const std::vector<std::uint8_t>& bytes) {
        return std::string(bytes.begin(), bytes.end());
    }

    // What earlier versions installed and the installer of this one did not, as it listed
    // them beside this uninstaller, removed under the same rules; and the list itself. A
    // list that cannot be read stays, with what it names.
    static void AddEarlierRows(const THeldFolder& destination, std::vector<TFileListRow>& rows) {
        std::unique_ptr<THeldFile> held;
        std::string cause;
        if (destination.OpenFile(kEarlierListName, held, cause) != THeldState::Open) return;
        try {
            const std::string text = held->ReadAll(kMaxEarlierListBytes);
            for (TFileListRow& row : ReadFileList(text)) rows.push_back(std::move(row));
            rows.push_back({u"", kEarlierListName, true, StampOf(text.data(), text.size())});
        } catch (const std::exception&) {
        }
    }

    static std::u16string MutexName(const char16_t* prefix) {
        return ProductMutexName(prefix, ProductString(Setting::DisplayNameEnglish));
    }

    void Tell(const std::u16string& text, UINT icon) const {
        if (!silent_) MessageBoxW(nullptr, ToWide(text).c_str(), ToWide(texts_.Caption).c_str(), MB_OK | icon);
    }

    int Ask(const std::u16string& text) const {
        return MessageBoxW(nullptr, ToWide(text).c_str(), ToWide(texts_.Caption).c_str(),
                           MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
    }

    std::size_t Count(TRemovalOutcome outcome) const {
        return static_cast<std::size_t>(
            std::count_if(items_.begin(), items_.end(), [&](const TRemovalItem& i) { return i.Outcome == outcome; }));
    }

    std::u16string List(std::initializer_list<TRemovalOutcome> outcomes) const {
        std::u16string list;
        for (const TRemovalItem& item : items_) {
            if (std::find(outcomes.begin(), outcomes.end(), item.Outcome) == outcomes.end()) continue;
            list += item.Path;
            if (!item.Cause.empty()) list += u" (" + FromUtf8(item.Cause) + u")";
            list += u"\n";
        }
        return list;
    }

    // What could not go first, then what waits for the restart, then what was kept.
    std::u16string ClosingMessage() const {
        std::u16string text;
        if (Count(TRemovalOutcome::Failed)) {
            text = texts_.Incomplete + List({TRemovalOutcome::Failed});
            if (Count(TRemovalOutcome::AtRestart)) text += u"\n" + texts_.InUse + List({TRemovalOutcome::AtRestart});
        } else if (Count(TRemovalOutcome::AtRestart)) {
            text = texts_.DoneAtRestart + List({TRemovalOutcome::AtRestart});
        } else {
            text = texts_.Done;
        }
        const std::u16string kept = List({TRemovalOutcome::Changed, TRemovalOutcome::NotOurs});
        if (!kept.empty()) text += (text.back() == u'\n' ? u"\n" : u"\n\n") + texts_.Kept + kept;
        return text;
    }

    std::u16string EntryKey() const { return UninstallKeyPath(displayName_); }

    // The entry of this product names this very file.
    bool IsRegisteredHere() const {
        std::u16string command;
        try {
            command = RegReadStringValue(HKEY_LOCAL_MACHINE, EntryKey(), kUninstallStringValue);
        } catch (const std::exception&) {
            return false;
        }
        command = UninstallerPathOf(command);
        return !command.empty() && SamePath(FullPath(command), FullPath(self_));
    }

    static std::u16string FullPath(const std::u16string& path) {
        std::vector<wchar_t> full(32768);
        const DWORD length = GetFullPathNameW(ToWide(path).c_str(), 32768, full.data(), nullptr);
        return length == 0 || length >= 32768 ? path : FromWide(std::wstring(full.data(), length));
    }

    // The desktop and Quick Launch shortcuts named after the product, the user's and all
    // users', that lead to the installed program; each read and deleted through one
    // handle. A shortcut leading elsewhere is the user's: it stays.
    void RemoveShortcuts(const std::u16string& program) {
        const ComApartment com;
        for (const std::u16string& folder : KnownShortcutFolders()) {
            const std::u16string link = folder + u"\\" + LinkFileName(displayName_);
            std::string cause;
            if (RemoveShortcutTo(link, program, cause) == TShortcutRemoval::Failed)
                items_.push_back({link, TRemovalOutcome::Failed, cause});
        }
    }

    // Nothing is left claiming to be installed: a failure here is the uninstall's
    // failure; an entry already gone is not.
    void RemoveUninstallEntry() {
        if (RegDeleteKeyTree(HKEY_LOCAL_MACHINE, EntryKey())) return;
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ToWide(EntryKey()).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
        RegCloseKey(key);
        items_.push_back({u"HKEY_LOCAL_MACHINE\\" + EntryKey(), TRemovalOutcome::Failed, "the key cannot be removed"});
    }

    // The maker's folder above the destination when it is the one the installer proposes;
    // a folder of another name or place may be the user's own.
    std::unique_ptr<THeldFolder> ProposedMakerFolder() const {
        std::vector<wchar_t> programs(32768);
        const DWORD n = GetEnvironmentVariableW(L"PROGRAMFILES", programs.data(), 32768);
        if (n == 0 || n >= 32768) return nullptr;
        const std::u16string proposed =
            FromWide(std::wstring(programs.data(), n)) + u"\\" + ProductValue(Setting::MakerFolder) + u"\\";
        if (!SamePath(FullPath(ParentOf(destination_)), FullPath(proposed))) return nullptr;
        try {
            return std::make_unique<THeldFolder>(THeldFolder::OpenRoot(proposed));
        } catch (const std::exception&) {
            return nullptr;
        }
    }

    bool silent_;
    int mode_;
    std::u16string displayName_;
    UninstTexts texts_;
    std::u16string self_;
    std::u16string destination_;
    std::vector<TRemovalItem> items_;
};

}  // namespace

int RunUninstall(bool Silent) { return Uninstaller(Silent).Run(); }

}  // namespace stp
