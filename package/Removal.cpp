#include "package/Removal.h"

#include <algorithm>
#include <memory>

#include "datatable/Errors.h"
#include "datatable/Convert.h"
#include "datatable/Text.h"

namespace stp {

namespace {

std::vector<std::u16string> Components(const std::u16string& path) {
    std::vector<std::u16string> parts;
    for (std::size_t start = 0; start < path.size();) {
        const std::size_t cut = std::min(path.find(u'\\', start), path.size());
        if (cut > start) parts.push_back(path.substr(start, cut - start));
        start = cut + 1;
    }
    return parts;
}

class TRemoval {
public:
    TRemoval(THeldFolder& root, const TRemovalHooks& hooks) : root_(root), hooks_(hooks) {}

    void RemoveFile(const TPlannedFile& file) {
        const std::vector<std::u16string> parts = Components(file.Path);
        if (parts.empty() || !file.Stamp) return;
        std::vector<std::unique_ptr<THeldFolder>> chain;
        if (!Descend(parts, parts.size() - 1, chain)) return;
        const THeldFolder& folder = chain.empty() ? root_ : *chain.back();
        const std::u16string path = folder.PathOf(parts.back());
        std::unique_ptr<THeldFile> held;
        std::string cause;
        switch (folder.OpenFile(parts.back(), held, cause)) {
        case THeldState::Missing: return;
        case THeldState::Link:
        case THeldState::HardLinked:
        case THeldState::WrongKind: return Report(path, TRemovalOutcome::NotOurs);
        case THeldState::InUse: return ScheduleByName(path);
        case THeldState::Failed: return Report(path, TRemovalOutcome::Failed, cause);
        case THeldState::Open: break;
        }
        try {
            if (!(held->Stamp() == *file.Stamp)) return Report(held->Path(), TRemovalOutcome::Changed);
            if (held->Delete()) return;
        } catch (const Error& e) {
            return Report(held->Path(), TRemovalOutcome::Failed, e.what());
        }
        // Held but not deletable now (a running image): renamed to a name nobody can
        // foresee before it is scheduled, so the restart cannot hit a later file.
        const std::u16string aside = held->RenameTo(folder, std::u16string(parts.back()) + u"." + hooks_.UniqueName());
        if (aside.empty()) return ScheduleByName(held->Path());
        if (!hooks_.ScheduleAtRestart(aside)) return Report(held->Path(), TRemovalOutcome::Failed, "in use");
        Report(held->Path(), TRemovalOutcome::AtRestart);
    }

    void RemoveFolder(const std::u16string& relative) {
        const std::vector<std::u16string> parts = Components(relative);
        std::vector<std::unique_ptr<THeldFolder>> chain;
        if (parts.empty() || !Descend(parts, parts.size(), chain)) return;
        THeldFolder& folder = *chain.back();
        // Emptied, but another program holds it (its current folder): left for the restart.
        if (folder.InUse()) return ScheduleByName(folder.Path());
        try {
            if (folder.RemoveIfEmpty()) return;
        } catch (const Error& e) {
            return Report(folder.Path(), TRemovalOutcome::Failed, e.what());
        }
        // Empty once its files are gone at the restart; scheduled after them.
        const bool waits = std::any_of(items_.begin(), items_.end(), [&](const TRemovalItem& item) {
            // Below the folder: its path and a separator ("Data" holds nothing of "DataX").
            const std::size_t length = folder.Path().size();
            return item.Outcome == TRemovalOutcome::AtRestart && item.Path.size() > length + 1 &&
                   (item.Path[length] == u'\\' || item.Path[length] == u'/') &&
                   EqualsIgnoringAsciiCase(item.Path.substr(0, length), folder.Path());
        });
        if (waits) hooks_.ScheduleAtRestart(folder.Path());
    }

    std::vector<TRemovalItem> Items() && { return std::move(items_); }

private:
    // Opens the first Count components below the root into Chain; false, with what stands
    // in the way reported, when one is not a plain folder of the tree.
    bool Descend(const std::vector<std::u16string>& parts, std::size_t count,
                 std::vector<std::unique_ptr<THeldFolder>>& chain) {
        for (std::size_t i = 0; i < count; ++i) {
            const THeldFolder& parent = chain.empty() ? root_ : *chain.back();
            std::unique_ptr<THeldFolder> next;
            std::string cause;
            switch (parent.OpenFolder(parts[i], next, cause)) {
            case THeldState::Open: chain.push_back(std::move(next)); continue;
            case THeldState::Missing:
            case THeldState::WrongKind: return false;  // nothing of ours below it
            case THeldState::Link:
            case THeldState::HardLinked: Report(parent.PathOf(parts[i]), TRemovalOutcome::NotOurs); return false;
            case THeldState::InUse:
            case THeldState::Failed:
                Report(parent.PathOf(parts[i]), TRemovalOutcome::Failed, cause.empty() ? "in use" : cause);
                return false;
            }
        }
        return true;
    }

    void ScheduleByName(const std::u16string& path) {
        Report(path, hooks_.ScheduleAtRestart(path) ? TRemovalOutcome::AtRestart : TRemovalOutcome::Failed, "in use");
    }

    void Report(const std::u16string& path, TRemovalOutcome outcome, const std::string& cause = {}) {
        for (const TRemovalItem& item : items_)
            if (item.Path == path) return;  // a link on the way of several files is one
        items_.push_back({path, outcome, outcome == TRemovalOutcome::Failed ? cause : std::string()});
    }

    THeldFolder& root_;
    const TRemovalHooks& hooks_;
    std::vector<TRemovalItem> items_;
};

}  // namespace

std::vector<TRemovalItem> RemoveInstalled(THeldFolder& Root, const TUninstallPlan& Plan, const TRemovalHooks& Hooks) {
    TRemoval removal(Root, Hooks);
    for (const TPlannedFile& file : Plan.Files) removal.RemoveFile(file);
    for (const std::u16string& folder : Plan.Folders) removal.RemoveFolder(folder);
    return std::move(removal).Items();
}

}  // namespace stp
