#include "uninst/Uninstaller.h"

#include <windows.h>
#include <objbase.h>

#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Guard.h"
#include "datatable/Convert.h"
#include "package/FileList.h"
#include "sys/Registry.h"
#include "sys/Shortcuts.h"
#include "ui/Resources.h"
#include "ui/Wide.h"
#include "uninst/SelfRemoval.h"
#include "uninst/UninstTexts.h"
#include "wizard/BuildConfig.h"

namespace stp {

namespace {

const std::u16string kUninstallRoot = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::u16string OwnPath() {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return FromWide(path);
}

std::u16string FolderOf(const std::u16string& file) { return file.substr(0, file.find_last_of(u'\\') + 1); }

bool SamePath(const std::u16string& a, const std::u16string& b) { return EqualsIgnoringAsciiCase(a, b); }

bool StartsWithFolder(const std::u16string& path, const std::u16string& folder) {
    return path.size() > folder.size() && SamePath(path.substr(0, folder.size()), folder);
}

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
        : silent_(silent),
          mode_(ConfiguredLanguageMode()),
          displayName_(BuildConfigString(mode_ == 0 ? bsDisplayNameChinese : bsDisplayNameEnglish)),
          texts_(MakeUninstTexts(mode_, displayName_)),
          self_(OwnPath()),
          destination_(FolderOf(self_)) {}

    int Run() {
        const TargetWindow target{BuildConfigString(bsWindowClass), BuildConfigString(bsTitleEnglish),
                                  BuildConfigString(bsTitleChinese)};
        if (!FindRunningTitle(target).empty()) {
            Tell(texts_.Running, MB_ICONEXCLAMATION);
            return ueProgramRunning;
        }
        // Only the uninstaller the entry names removes anything: a copy of it elsewhere
        // would take the files of its own folder for the product's.
        if (!IsRegisteredHere()) {
            Tell(texts_.NotInstalledHere, MB_ICONERROR);
            return ueFailed;
        }
        if (!silent_ && Ask(texts_.Confirm) != IDOK) return ueCancelled;

        const std::vector<TFileListRow> rows = ReadFileList(AsText(LoadResourceData(L"FileList", L"StpFile")));
        const TUninstallPlan plan = PlanUninstall(rows, destination_);
        // Read while the program is still there to be named.
        const std::vector<std::u16string> shortcuts = OurShortcuts();
        RemoveFiles(plan);
        for (const std::u16string& link : shortcuts) DeleteNowOrAtRestart(link);
        RemoveUninstallEntry();
        RemoveFolders(plan);
        if (later_.empty()) {
            Tell(texts_.Done, MB_ICONINFORMATION);
        } else {
            std::u16string list;
            for (const std::u16string& file : later_) list += file + u"\n";
            Tell(texts_.DoneAtRestart + list, MB_ICONWARNING);
        }
        const bool selfRemoved = StartSelfRemoval(self_, laterInDestination_);
        return later_.empty() && selfRemoved ? ueDone : ueDoneAtRestart;
    }

private:
    static std::string AsText(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

    void Tell(const std::u16string& text, UINT icon) const {
        if (!silent_) MessageBoxW(nullptr, ToWide(text).c_str(), ToWide(texts_.Caption).c_str(), MB_OK | icon);
    }

    int Ask(const std::u16string& text) const {
        return MessageBoxW(nullptr, ToWide(text).c_str(), ToWide(texts_.Caption).c_str(),
                           MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
    }

    // The uninstaller itself goes last, through its copy.
    void RemoveFiles(const TUninstallPlan& plan) {
        for (const std::u16string& file : plan.Files) {
            if (SamePath(file, self_)) continue;
            if (!DeleteNowOrAtRestart(file)) {
                later_.push_back(file);
                laterInDestination_ = laterInDestination_ || SamePath(FolderOf(file), destination_);
            }
        }
    }

    std::u16string EntryKey() const { return kUninstallRoot + u"\\" + displayName_; }

    // The entry of this product names this very file.
    bool IsRegisteredHere() const {
        std::u16string command;
        try {
            command = RegReadStringValue(HKEY_LOCAL_MACHINE, EntryKey(), u"UninstallString");
        } catch (const std::exception&) {
            return false;
        }
        if (command.size() > 1 && command.front() == u'"' && command.back() == u'"')
            command = command.substr(1, command.size() - 2);
        return !command.empty() && SamePath(FullPath(command), FullPath(self_));
    }

    static std::u16string FullPath(const std::u16string& path) {
        wchar_t full[32768] = {};
        const DWORD length = GetFullPathNameW(ToWide(path).c_str(), 32768, full, nullptr);
        return length == 0 || length >= 32768 ? path : FromWide(std::wstring(full, length));
    }

    // The desktop and Quick Launch shortcuts named after the product, the user's and all
    // users', that lead to the installed program. A shortcut that cannot be read is not
    // known to be ours: it stays.
    std::vector<std::u16string> OurShortcuts() const {
        std::vector<std::u16string> links;
        try {
            const ComApartment com;
            const std::u16string program = destination_ + BuildConfigString(bsExeName) + u".exe";
            const std::u16string folders[] = {GetShellFolderPath(slDesktop), GetShellFolderPath(slQuickLaunch),
                                              GetCommonShellFolderPath(slDesktop)};
            for (const std::u16string& folder : folders) {
                if (folder.empty()) continue;
                const std::u16string link = folder + u"\\" + LinkFileName(displayName_);
                if (GetFileAttributesW(ToWide(link).c_str()) == INVALID_FILE_ATTRIBUTES) continue;
                if (SamePath(ReadShortcutTarget(link), program)) links.push_back(link);
            }
        } catch (const std::exception&) {
        }
        return links;
    }

    // Nothing is left claiming to be installed: a failure here is the uninstall's failure.
    void RemoveUninstallEntry() const {
        if (!RegDeleteKeyTree(HKEY_LOCAL_MACHINE, EntryKey()))
            throw std::runtime_error("The uninstall entry cannot be removed.");
    }

    // Deepest first; the destination itself holds the uninstaller until its copy ends.
    void RemoveFolders(const TUninstallPlan& plan) {
        for (const std::u16string& folder : plan.Folders) {
            if (SamePath(folder, destination_)) continue;
            if (RemoveDirectoryW(ToWide(folder).c_str())) continue;
            for (const std::u16string& file : later_) {
                if (StartsWithFolder(file, folder)) {
                    // Empty once its files are gone at restart; scheduled after them.
                    MoveFileExW(ToWide(folder).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
                    laterInDestination_ = true;
                    break;
                }
            }
        }
    }

    bool silent_;
    int mode_;
    std::u16string displayName_;
    UninstTexts texts_;
    std::u16string self_;
    std::u16string destination_;
    std::vector<std::u16string> later_;
    bool laterInDestination_ = false;
};

}  // namespace

int RunUninstall(bool Silent) { return Uninstaller(Silent).Run(); }

}  // namespace stp
