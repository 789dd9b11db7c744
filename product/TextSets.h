// The two text sets, Chinese and English, as tables: each text a row holding both, with
// {D} standing for the display name, {V} the version, {S} the space needed, {C} the
// copyright line and {K} the agreement's closing clause. The wizard, the uninstaller and
// the guard take their words from here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace stp {

struct TextPair {
    const char16_t* Chinese;
    const char16_t* English;
};

// The text of Mode's set (0 Chinese, else English); null where a set has none.
inline const char16_t* InTextSet(const TextPair& Texts, int Mode) { return Mode == 0 ? Texts.Chinese : Texts.English; }

// What the placeholders stand for.
struct TextValues {
    std::u16string DisplayName, Version, NeedSize, Copyright;
};

// Text with its placeholders filled in.
std::u16string FillText(std::u16string_view Text, const TextValues& Values);

// The wizard's stored captions and messages, in the order of this enumeration.
enum class WizardText : std::size_t {
    Caption,
    CaptionBack,
    CaptionNext,
    CaptionCancel,
    CaptionAgree,
    CaptionInstall,
    CaptionFinish,
    MsgFolderFailed,
    MsgExtractFailed,
    BrowseTitle,
    FreeSizePrefix,
};
extern const TextPair kWizardTexts[11];

// The texts the wizard gives its components; a null text leaves the layout's own.
struct ComponentText {
    const char* Component;
    TextPair Texts;
};
extern const ComponentText kComponentTexts[16];

// The built-in agreement, line by line: a line for every product, or only for freeware
// or only for shareware.
enum class AgreementLineFor : unsigned char { All, Freeware, Shareware };
struct AgreementLine {
    AgreementLineFor For;
    const char16_t* Text;
};
std::vector<AgreementLine> AgreementTable(int Mode);

// The uninstaller's words.
enum class UninstText : std::size_t {
    Caption,
    Confirm,
    Running,
    NotInstalledHere,
    Done,
    DoneAtRestart,
    AnotherRuns,
    Incomplete,
    InUse,
    Kept,
};
extern const TextPair kUninstTexts[10];

// The antivirus conflict notice (Chinese only: only the Chinese wizard shows it), {D} the
// product's label: its caption, its content and the confirmation of the copied address.
extern const TextPair kConflictCaption;
extern const TextPair kConflictContent;
extern const TextPair kConflictCopied;

// The guard's message when the program runs ({D} the running title: the Chinese text
// names the title found, the English one the English title) and its caption.
extern const TextPair kRunningProgramText;
extern const TextPair kRunningProgramCaption;

// The installer's and the uninstaller's refusal to run as administrator where Windows
// cannot keep the DLLs beside them from being loaded (Windows 7 without the update).
extern const TextPair kUnsafeDllSearchText;

// An installer made with Unattended = yes: the wizard's refusal when another installer
// of the product runs, its refusal of a switch it does not know (the switch follows),
// and the passive install's progress line ({D} the display name throughout).
extern const TextPair kAnotherSetupText;
extern const TextPair kBadSwitchText;
extern const TextPair kInstallingText;

// The wizard's question before it takes over a destination folder that other accounts may
// change, and its refusal of a folder on the way that they may change ({D} standing for the folder).
extern const TextPair kTakeOverFolderText;
extern const TextPair kUntrustedFolderText;

}  // namespace stp
