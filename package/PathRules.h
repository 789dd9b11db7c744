// Where a file table row may put its file. The table comes from inside a package, so
// a row must not reach outside the destination folder (or, for a macro row, outside the
// system directory).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace stp {

// The part of a file name the file is written under: after its last "\" or ":", or
// the whole text when it has neither.
std::u16string_view LastPathComponent(std::u16string_view fileName);

// True for a folder specification that stays below the folder it is appended to:
// not rooted, no drive or stream (":"), no ".." component nor one of dots and spaces
// alone that Windows could read as "..". The empty text is the folder itself.
bool IsContainedFolder(std::u16string_view folderSpec);

// True for a file-name part that names a file in its folder: not empty, ".", "..",
// nor dots and spaces alone, and without "/".
bool IsPlainFileName(std::u16string_view name);

// True for a full folder path on a drive ("C:\..." with a letter A-Z either case, a
// trailing "\" allowed) that Windows reads exactly as written: no ":" after the drive's,
// no "\\?\" or "\\.\" form, no reserved device name as a component (CON, PRN, AUX, NUL,
// COM1-COM9, LPT1-LPT9, also COM and LPT followed by the superscript digits 1 2 3 -
// U+00B9, U+00B2, U+00B3 - each in any letter case and with any extension: "nul.txt",
// "Con .x"), no component ending in a dot or a space, no component of dots and spaces
// alone ("." and ".." included), no empty component (a doubled "\") nor one longer than
// 255 characters, no "/" and none of
// the characters Windows forbids in names (< > " | ? * and codes below 32).
bool IsPlainSetupDir(std::u16string_view Folder);

// True when folderSpec begins with "$", which makes it a macro specification.
bool IsMacroFolder(std::u16string_view folderSpec);

// The folder a macro specification names: when folderSpec contains "System" (this case),
// every "$System$" (any case) becomes systemDir, otherwise every "$Third$" (any case).
std::u16string ExpandMacroFolder(std::u16string_view folderSpec, std::u16string_view systemDir);

// The folder a macro specification names, if it stays below systemDir: the expansion
// must begin with a non-empty systemDir and the rest be contained.
std::optional<std::u16string> SafeMacroFolder(std::u16string_view folderSpec, std::u16string_view systemDir);

}  // namespace stp
