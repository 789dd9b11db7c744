// Removing an installation's files by its uninstall plan, through a held tree: a file
// goes only when it is still what was installed, a link is never followed, and what
// stays is reported with the reason.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "package/FileList.h"
#include "package/HeldTree.h"

namespace stp {

enum class TRemovalOutcome {
    AtRestart,  // in use: it goes when the system restarts (scheduled)
    Changed,    // not what was installed (the user's edit, another product's file): kept
    NotOurs,    // a link, or a folder where a file was installed: kept, never entered
    Failed,     // could not be checked or removed: Cause says why
};

struct TRemovalItem {
    std::u16string Path;
    TRemovalOutcome Outcome;
    std::string Cause;
};

struct TRemovalHooks {
    // Schedules Path for deletion at the next restart; false when that cannot be done.
    std::function<bool(const std::u16string& Path)> ScheduleAtRestart;
    // A name nobody can foresee, for a file in use renamed before it is scheduled.
    std::function<std::u16string()> UniqueName;
};

// Every file and folder of the plan that stays or waits for the restart; everything else
// of it is gone. Files without a stamp (the uninstaller itself) are left to their owner.
std::vector<TRemovalItem> RemoveInstalled(THeldFolder& Root, const TUninstallPlan& Plan, const TRemovalHooks& Hooks);

}  // namespace stp
