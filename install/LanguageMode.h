// The process-wide text-set selector: 0 for the Chinese texts, 2 for the English ones.
// Start-up sets it; every window reads it once, when it is created.
#pragma once

namespace stp {

extern int LanguageMode;

}  // namespace stp
