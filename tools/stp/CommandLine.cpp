#include "tools/stp/CommandLine.h"

#include <charconv>

#include "package/Deflater.h"
#include "tools/stp/Command.h"

namespace stp::tool {

bool ParsedArgs::Has(std::string_view name) const { return options_.find(name) != options_.end(); }

std::optional<std::string> ParsedArgs::Value(std::string_view name) const {
    const auto it = options_.find(name);
    if (it == options_.end()) {
        return std::nullopt;
    }
    return it->second;
}

namespace {

const OptionSpec* FindSpec(std::span<const OptionSpec> specs, std::string_view name) {
    for (const OptionSpec& option : specs) {
        if (option.name == name) {
            return &option;
        }
    }
    return nullptr;
}

}  // namespace

ParsedArgs ParseArgs(const std::vector<std::string>& args, std::span<const OptionSpec> specs) {
    ParsedArgs parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (optionsEnded || arg == "-" || !arg.starts_with("-")) {
            parsed.positional_.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // "--name" for any option, "-n" for an option whose name is one letter.
        const std::size_t dashes = arg.starts_with("--") ? 2 : 1;
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(dashes, equals == std::string_view::npos ? arg.npos : equals - dashes);
        const OptionSpec* option = FindSpec(specs, name);
        const std::string spelled(arg.substr(0, dashes + name.size()));
        if (!option || (dashes == 1 && name.size() != 1)) {
            throw UsageError("unknown option " + spelled);
        }
        if (parsed.Has(name)) {
            throw UsageError(spelled + " given twice");
        }
        std::string value;
        if (equals != std::string_view::npos) {
            if (!option->takesValue) {
                throw UsageError(spelled + " takes no value");
            }
            value = std::string(arg.substr(equals + 1));
        } else if (option->takesValue) {
            if (i + 1 == args.size()) {
                throw UsageError(spelled + " needs a value");
            }
            value = args[++i];
        }
        parsed.options_.emplace(std::string(name), std::move(value));
    }
    return parsed;
}

int ParseNumber(std::string_view text, int first, int last, std::string_view option) {
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || number < first || number > last) {
        throw UsageError("--" + std::string(option) + " must be a number from " + std::to_string(first) + " to " +
                         std::to_string(last) + ", not \"" + std::string(text) + "\"");
    }
    return number;
}

std::size_t ParseWholeLimit(std::string_view text) {
    return static_cast<std::size_t>(ParseNumber(text, 1, 2047, "whole-limit")) << 20;
}

int ParseLevel(std::string_view text) {
    if (text == "max") return kMaxLevel;
    try {
        return ParseNumber(text, 0, 9, "level");
    } catch (const UsageError&) {
        throw UsageError("--level must be a number from 0 to 9 or \"max\", not \"" + std::string(text) + "\"");
    }
}

}  // namespace stp::tool
