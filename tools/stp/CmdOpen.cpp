// stp open: prints the text an envelope holds.
#include <cstdio>

#include "crypt/AnsiCodePage.h"
#include "crypt/Envelope.h"
#include "datatable/Text.h"
#include "tools/stp/Command.h"
#include "tools/stp/CommandLine.h"
#include "tools/stp/Console.h"

namespace stp::tool {

namespace {

constexpr OptionSpec kOptions[] = {{"password", true}, {"utf16", false}};

// A file written by "stp seal" or an editor ends in a line break that is no part of
// the envelope.
std::string_view WithoutTrailingLineBreaks(std::string_view bytes) {
    while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r')) {
        bytes.remove_suffix(1);
    }
    return bytes;
}

std::string Utf16LeBytes(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (const char16_t ch : text) {
        bytes.push_back(static_cast<char>(ch & 0xFF));
        bytes.push_back(static_cast<char>(ch >> 8));
    }
    return bytes;
}

int RunOpen(const std::vector<std::string>& args) {
    const ParsedArgs parsed = ParseArgs(args, kOptions);
    if (parsed.Positional().size() != 1) {
        throw UsageError("expects one FILE (or - for standard input)");
    }
    const std::string bytes = ReadFileOrStdin(parsed.Positional()[0]);
    const std::u16string envelope = AnsiToUtf16(WithoutTrailingLineBreaks(bytes));
    const std::u16string text = DecryptText(envelope, FromUtf8(parsed.Value("password").value_or("")));
    if (text.empty() && !envelope.empty()) {
        std::fputs(
            "stp open: the envelope opened to the empty text (it is not an envelope, or it holds "
            "the empty text)\n",
            stderr);
    }
    WriteStdout(parsed.Has("utf16") ? Utf16LeBytes(text) : ToUtf8(text));
    return kExitOk;
}

}  // namespace

const Command kOpenCommand = {
    "open",
    "print the text an envelope holds",
    "Usage: stp open [--password P] [--utf16] FILE\n"
    "\n"
    "Opens the encrypted text envelope in FILE (- reads standard input) and prints\n"
    "its text as UTF-8, exactly as stored (no line break added). The file holds the\n"
    "envelope's characters, one byte each; trailing line breaks are ignored.\n"
    "\n"
    "  --password P  the password, as UTF-8 (default: the empty password)\n"
    "  --utf16       print the text's exact UTF-16LE code units instead\n"
    "\n"
    "An envelope that cannot be opened, or a wrong password, is not an error: the\n"
    "envelope carries no check, so the result is the empty or a meaningless text.\n",
    RunOpen,
};

}  // namespace stp::tool
