// Unpacking a setup package into the file system.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace stp {

// Receives the percentage of the uncompressed bytes done, after each file written.
using TProgressEvent = std::function<void(std::int64_t percent)>;
// Receives each file's path once it is written (Written) or passed over because a shared
// system file of that name exists (not Written).
using TFileEvent = std::function<void(const std::u16string& file, bool written)>;

// The Windows system directory followed by "\"; the empty text where there is none
// (and on systems other than Windows).
std::u16string GetSystemDir();

// Unpacks packageFile into destinationFolder (which ends with a backslash): every row
// of the file table becomes a file in its target folder, in row order, and progress is
// reported after each file written. "$System$" and "$Third$" rows go below systemDir
// and never replace an existing file. Nothing is written, and nothing raised, when the
// package holds nothing. Every failure raises an Error naming the row, the file and
// the cause; files written before it stay.
void ExtractSetupPackage(const std::u16string& packageFile, const std::u16string& destinationFolder,
                         const std::u16string& password, const TProgressEvent& progress,
                         const std::u16string& systemDir);

// The same, reading the package through an open file, from its start; fileEvent hears
// of every file.
class TFile;
void ExtractSetupPackage(TFile& package, const std::u16string& destinationFolder, const std::u16string& password,
                         const TProgressEvent& progress, const std::u16string& systemDir,
                         const TFileEvent& fileEvent = {});

// Makes the file Name in the destination's folder Below (empty, or "sub\" below it)
// for writing; raises EFileError naming the file and the cause.
using TOutputOpener = std::function<TFile(const std::u16string& Below, std::u16string_view Name)>;

// The same, each file of the destination folder made by openOutput (a held tree's, which
// follows no link); destinationFolder names them in errors and events. "$System$" and
// "$Third$" rows go by name below systemDir as before.
void ExtractSetupPackage(TFile& package, const std::u16string& destinationFolder, const TOutputOpener& openOutput,
                         const std::u16string& password, const TProgressEvent& progress,
                         const std::u16string& systemDir, const TFileEvent& fileEvent);

// The files the package puts below the destination folder, relative to it, as the
// uninstaller's plan names them (shared system files never). Raises as the table's
// reading does.
std::vector<std::u16string> PackageDestinationFiles(TFile& package, const std::u16string& password);

// The same with GetSystemDir() as the system directory.
void ExtractSetupPackage(const std::u16string& packageFile, const std::u16string& destinationFolder,
                         const std::u16string& password, const TProgressEvent& progress);

}  // namespace stp
