// stp seal: turns a text into an envelope.
#include <stdexcept>

#include "crypt/AnsiCodePage.h"
#include "crypt/Cipher.h"
#include "crypt/Envelope.h"
#include "crypt/Hash.h"
#include "datatable/Text.h"
#include "tools/stp/Command.h"
#include "tools/stp/CommandLine.h"
#include "tools/stp/Console.h"

namespace stp::tool {

namespace {

constexpr OptionSpec kOptions[] = {
    {"cipher", true}, {"hash", true}, {"password", true}, {"salt", true}, {"iv", true},
};

int RequiredIndex(const ParsedArgs& parsed, std::string_view option, int count) {
    const auto value = parsed.Value(option);
    if (!value) {
        throw UsageError("--" + std::string(option) + " is required");
    }
    return ParseNumber(*value, 0, count - 1, option);
}

SealOptions OptionsFrom(const ParsedArgs& parsed) {
    const int cipher = RequiredIndex(parsed, "cipher", kCipherCount);
    const int hash = RequiredIndex(parsed, "hash", kHashCount);
    SealOptions options = RandomSealOptions(cipher, hash);
    if (const auto salt = parsed.Value("salt")) {
        options.salt = FromUtf8(*salt);
    }
    if (const auto iv = parsed.Value("iv")) {
        options.iv = FromUtf8(*iv);
    }
    return options;
}

int RunSeal(const std::vector<std::string>& args) {
    const ParsedArgs parsed = ParseArgs(args, kOptions);
    if (!parsed.Positional().empty()) {
        throw UsageError("takes no FILE: the text comes from standard input");
    }
    const SealOptions options = OptionsFrom(parsed);
    const std::u16string text = FromUtf8(ReadStdin());
    std::u16string envelope;
    try {
        envelope = SealText(text, FromUtf8(parsed.Value("password").value_or("")), options);
    } catch (const std::invalid_argument& e) {
        throw UsageError(e.what());  // a salt or IV given on the command line does not fit
    }
    WriteStdout(Utf16ToAnsi(envelope) + "\n");
    return kExitOk;
}

}  // namespace

const Command kSealCommand = {
    "seal",
    "seal a text into an envelope",
    "Usage: stp seal --cipher N --hash N [--password P] [--salt S] [--iv I]\n"
    "\n"
    "Reads UTF-8 text from standard input, exactly as given, and prints its\n"
    "encrypted text envelope on one line.\n"
    "\n"
    "  --cipher N    0 Blowfish, 1 CAST-128, 2 CAST-256, 3 DES, 4 triple DES,\n"
    "                5 AES, 6 RC4, 7 Twofish, 8 IDEA\n"
    "  --hash N      0 HAVAL, 1 MD5, 2 SHA-1, 3 SHA-256, 4 SHA-512\n"
    "  --password P  the password, as UTF-8 (default: the empty password, as\n"
    "                setup packages use)\n"
    "  --salt S      8 printable ASCII characters, no blank (default: random);\n"
    "                characters 4 and 5 must lie at least the cipher and hash\n"
    "                index above '!'\n"
    "  --iv I        the initialisation vector: 8 characters for 64-bit blocks,\n"
    "                16 for 128-bit blocks, none for RC4; printable ASCII, no\n"
    "                blank (default: random)\n",
    RunSeal,
};

}  // namespace stp::tool
