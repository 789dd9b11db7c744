// Option parsing shared by the commands: "--name value", "--name=value", "-n value"
// for one-letter names, flags, positional arguments ("-" among them), and "--" to end
// the options.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace stp::tool {

struct OptionSpec {
    std::string_view name;  // without the leading dashes
    bool takesValue;
};

class ParsedArgs {
public:
    bool Has(std::string_view name) const;
    std::optional<std::string> Value(std::string_view name) const;
    const std::vector<std::string>& Positional() const { return positional_; }

private:
    friend ParsedArgs ParseArgs(const std::vector<std::string>&, std::span<const OptionSpec>);
    std::map<std::string, std::string, std::less<>> options_;
    std::vector<std::string> positional_;
};

// Throws UsageError for an unknown option, a missing value or a repeated option.
ParsedArgs ParseArgs(const std::vector<std::string>& args, std::span<const OptionSpec> specs);

// A whole decimal number in first..last; otherwise UsageError naming the option.
int ParseNumber(std::string_view text, int first, int last, std::string_view option);
// A compression level: 0 to 9, or "max" (the strongest, kMaxLevel).
int ParseLevel(std::string_view text);

// --whole-limit's megabytes (1 to 2047) as bytes.
std::size_t ParseWholeLimit(std::string_view text);

}  // namespace stp::tool
