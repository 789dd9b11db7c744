// A subcommand of stp. Each command lives in its own CmdXxx.cpp and is listed in
// main.cpp's table; arguments reach it as UTF-8, after the command name.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace stp::tool {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Wrong usage: reported with a pointer to --help and exit code 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Command {
    std::string_view name;
    std::string_view summary;
    std::string_view help;  // shown by "stp NAME --help"
    int (*run)(const std::vector<std::string>& args);
};

extern const Command kOpenCommand;
extern const Command kSealCommand;
extern const Command kPackCommand;
extern const Command kListCommand;
extern const Command kExtractCommand;
extern const Command kResourcesCommand;
extern const Command kBuildCommand;
extern const Command kInitCommand;
extern const Command kManifestCommand;
extern const Command kDocsCommand;
extern const Command kTablesCommand;

}  // namespace stp::tool
