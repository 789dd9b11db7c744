#include "package/Extractor.h"

#include <cmath>
#include <memory>
#include <vector>

#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "package/FileList.h"
#include "package/FileSystem.h"
#include "package/Format.h"
#include "package/PackageReader.h"
#include "package/PathRules.h"
#include "package/RecordStream.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace stp {

namespace {

std::string Quoted(std::u16string_view s) { return "'" + ToUtf8(s) + "'"; }

// Re-raises the error in flight as the same kind, with where it happened in front.
[[noreturn]] void RethrowWithContext(const std::string& where) {
    try {
        throw;
    } catch (const EListError& e) {
        throw EListError(where + e.what());
    } catch (const EConvertError& e) {
        throw EConvertError(where + e.what());
    } catch (const EFileError& e) {
        throw EFileError(where + e.what());
    } catch (const EInflateError& e) {
        throw EInflateError(where + e.what());
    } catch (const EPackageError& e) {
        throw EPackageError(where + e.what());
    } catch (const Error& e) {
        throw Error(where + e.what());
    }
}

class TExtraction {
public:
    TExtraction(const std::u16string& destination, const TOutputOpener& openOutput, const TProgressEvent& progress,
                const std::u16string& systemDir, const TFileEvent& fileEvent)
        : destination_(destination), openOutput_(openOutput), progress_(progress), systemDir_(systemDir),
          fileEvent_(fileEvent) {}

    void Run(TFile& package, TDataTable& table) {
        total_ = Totals(table);
        // The records are read and inflated ahead, on a thread of their own, while the
        // files are made and written here in row order.
        TRecordStream records(package, Spans(table));
        for (std::int32_t i = 0; i < table.ItemCount(); ++i) {
            try {
                ExtractRow(records, static_cast<std::size_t>(i), *table.Items(i));
            } catch (const Error&) {
                RethrowWithContext(RowName(table, i) + ": ");
            }
        }
    }

private:
    static std::string RowName(TDataTable& table, std::int32_t i) {
        std::string name = "row " + std::to_string(i + 1);
        TRow* row = table.Items(i);
        if (row->ItemCount() > pcFileName) name += " (" + Quoted(row->Items(pcFileName)->Text()) + ")";
        return name;
    }

    // Adds up the uncompressed sizes and checks, before anything is written, that every
    // row names a safe place for its file.
    std::int64_t Totals(TDataTable& table) {
        std::int64_t total = 0;
        for (std::int32_t i = 0; i < table.ItemCount(); ++i) {
            try {
                TRow& row = *table.Items(i);
                const std::int32_t size = row.Items(pcUncompressedSize)->Value();
                if (size < 0) throw EPackageError("negative uncompressed size " + std::to_string(size));
                total += size;
                CheckPlace(row);
            } catch (const Error&) {
                RethrowWithContext(RowName(table, i) + ": ");
            }
        }
        return total;
    }

    // Each row's record length and file length; -1 where a cell does not read as one
    // (the row fails with that when it is reached).
    static std::vector<TRecordSpan> Spans(TDataTable& table) {
        std::vector<TRecordSpan> spans(static_cast<std::size_t>(table.ItemCount()));
        for (std::int32_t i = 0; i < table.ItemCount(); ++i) {
            try {
                TRow& row = *table.Items(i);
                spans[static_cast<std::size_t>(i)] = {row.Items(pcCompressedSize)->Value(),
                                                      row.Items(pcUncompressedSize)->Value()};
            } catch (const Error&) {
                break;
            }
        }
        return spans;
    }

    void CheckPlace(TRow& row) {
        const std::u16string name = row.Items(pcFileName)->Text();
        if (!IsPlainFileName(LastPathComponent(name)))
            throw EPackageError("file name " + Quoted(name) + " does not name a file in its folder");
        bool root = false;
        try {
            root = IsRootRow(row);
        } catch (const EConvertError&) {
            return;  // the row fails with this error when it is reached, before its file
        }
        if (root) return;
        const std::u16string folderSpec = row.Items(pcFolder)->Text();
        if (IsMacroFolder(folderSpec)) {
            if (!SafeMacroFolder(folderSpec, systemDir_))
                throw EPackageError("folder " + Quoted(folderSpec) +
                                    " does not name a folder below the system folder " + Quoted(systemDir_));
        } else if (!IsContainedFolder(folderSpec)) {
            throw EPackageError("folder " + Quoted(folderSpec) + " leaves the destination folder");
        }
    }

    static bool IsRootRow(TRow& row) { return row.ItemCount() > kMinPackageColumns && row.Items(pcRootFlag)->AsBool(); }

    // Writes one row's file, or passes over an existing macro-row file; the row's
    // uncompressed size counts as done either way.
    void ExtractRow(TRecordStream& records, std::size_t index, TRow& row) {
        const std::u16string folderSpec = row.Items(pcFolder)->Text();
        const std::u16string name = row.Items(pcFileName)->Text();
        std::u16string folder;
        std::u16string below;  // the folder below the destination's
        bool macro = false;
        if (IsRootRow(row)) {
            folder = destination_;
        } else if (IsMacroFolder(folderSpec)) {
            macro = true;
            folder = *SafeMacroFolder(folderSpec, systemDir_);
        } else {
            folder = destination_ + folderSpec;
            below = folderSpec;
        }
        if ((macro || !openOutput_) && !DirectoryExists(folder)) ForceDirectories(folder);

        const std::int32_t packed = row.Items(pcCompressedSize)->Value();
        if (packed < 0) throw EPackageError("negative compressed size " + std::to_string(packed));
        const std::int32_t size = row.Items(pcUncompressedSize)->Value();
        const std::u16string file = folder + std::u16string(LastPathComponent(name));
        if (macro && FileExists(folder + name)) {
            records.Skip(index);
            done_ += size;
            if (fileEvent_) fileEvent_(file, false);
            return;
        }

        TFile out = macro || !openOutput_ ? TFile::CreateAlways(file) : openOutput_(below, LastPathComponent(name));
        // The record's bytes as they inflate; an error comes after the bytes before it.
        records.Take(
            index, [&out](const void* bytes, std::size_t n) { out.Write(bytes, n); },
            [&out] {
                out.Seek(0);
                out.Truncate();
            });
        out.Close();
        done_ += size;
        if (fileEvent_) fileEvent_(file, true);
        Report();
    }

    void Report() {
        if (!progress_) return;
        // All sizes 0: each written file completes the whole.
        if (total_ == 0) return progress_(100);
        // Halves go to the even neighbour (the default rounding mode).
        progress_(static_cast<std::int64_t>(std::nearbyint(static_cast<double>(done_) / total_ * 100.0)));
    }

    const std::u16string& destination_;
    const TOutputOpener& openOutput_;
    const TProgressEvent& progress_;
    const std::u16string& systemDir_;
    const TFileEvent& fileEvent_;
    std::int64_t total_ = 0;
    std::int64_t done_ = 0;
};

}  // namespace

std::u16string GetSystemDir() {
#ifdef _WIN32
    wchar_t buffer[MAX_PATH];
    const UINT n = GetSystemDirectoryW(buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return u"";
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), n) + u"\\";
#else
    return u"";
#endif
}

void ExtractSetupPackage(const std::u16string& packageFile, const std::u16string& destinationFolder,
                         const std::u16string& password, const TProgressEvent& progress,
                         const std::u16string& systemDir) {
    if (!DirectoryExists(destinationFolder)) ForceDirectories(destinationFolder);
    TFile package = TFile::OpenRead(packageFile);
    ExtractSetupPackage(package, destinationFolder, password, progress, systemDir);
}

void ExtractSetupPackage(TFile& package, const std::u16string& destinationFolder, const std::u16string& password,
                         const TProgressEvent& progress, const std::u16string& systemDir, const TFileEvent& fileEvent) {
    if (!DirectoryExists(destinationFolder)) ForceDirectories(destinationFolder);
    ExtractSetupPackage(package, destinationFolder, TOutputOpener(), password, progress, systemDir, fileEvent);
}

void ExtractSetupPackage(TFile& package, const std::u16string& destinationFolder, const TOutputOpener& openOutput,
                         const std::u16string& password, const TProgressEvent& progress,
                         const std::u16string& systemDir, const TFileEvent& fileEvent) {
    package.Seek(0);
    std::unique_ptr<TDataTable> table = ReadPackageTable(package, password);
    if (!table) return;
    TExtraction(destinationFolder, openOutput, progress, systemDir, fileEvent).Run(package, *table);
}

std::vector<std::u16string> PackageDestinationFiles(TFile& package, const std::u16string& password) {
    package.Seek(0);
    std::unique_ptr<TDataTable> table = ReadPackageTable(package, password);
    std::vector<TFileListRow> rows;
    for (std::int32_t i = 0; table && i < table->ItemCount(); ++i) {
        TRow& row = *table->Items(i);
        try {
            const bool root = row.ItemCount() > kMinPackageColumns && row.Items(pcRootFlag)->AsBool();
            rows.push_back({row.Items(pcFolder)->Text(), row.Items(pcFileName)->Text(), root, TFileStamp{}});
        } catch (const Error&) {
            // A row that cannot be read puts no file anywhere.
        }
    }
    std::vector<std::u16string> files;
    for (const TPlannedFile& file : PlanUninstall(rows).Files) files.push_back(file.Path);
    return files;
}

void ExtractSetupPackage(const std::u16string& packageFile, const std::u16string& destinationFolder,
                         const std::u16string& password, const TProgressEvent& progress) {
    ExtractSetupPackage(packageFile, destinationFolder, password, progress, GetSystemDir());
}

}  // namespace stp
