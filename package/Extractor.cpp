#include "package/Extractor.h"

#include <cmath>
#include <memory>
#include <vector>

#include <zlib.h>

#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "package/FileSystem.h"
#include "package/Format.h"
#include "package/PackageReader.h"
#include "package/PathRules.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace stp {

namespace {

// Records are inflated through fixed buffers, so memory does not grow with file size.
constexpr std::size_t kChunkSize = 256 * 1024;

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

// One zlib inflater, ended with the object.
class TInflater {
public:
    TInflater() {
        if (inflateInit(&FStream) != Z_OK) throw EInflateError("cannot start zlib's inflater");
    }
    ~TInflater() { inflateEnd(&FStream); }
    TInflater(const TInflater&) = delete;
    TInflater& operator=(const TInflater&) = delete;
    z_stream& Stream() { return FStream; }

private:
    z_stream FStream{};
};

class TExtraction {
public:
    TExtraction(const std::u16string& destination, const TProgressEvent& progress, const std::u16string& systemDir)
        : FDestination(destination), FProgress(progress), FSystemDir(systemDir), FIn(kChunkSize), FOut(kChunkSize) {}

    void Run(TFile& package, TDataTable& table) {
        FTotal = Totals(table);
        for (std::int32_t i = 0; i < table.ItemCount(); ++i) {
            try {
                ExtractRow(package, *table.Items(i));
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
            if (!SafeMacroFolder(folderSpec, FSystemDir))
                throw EPackageError("folder " + Quoted(folderSpec) + " does not name a folder below the system folder " +
                                    Quoted(FSystemDir));
        } else if (!IsContainedFolder(folderSpec)) {
            throw EPackageError("folder " + Quoted(folderSpec) + " leaves the destination folder");
        }
    }

    static bool IsRootRow(TRow& row) {
        return row.ItemCount() > kMinPackageColumns && row.Items(pcRootFlag)->AsBool();
    }

    // Writes one row's file, or passes over an existing macro-row file; the row's
    // uncompressed size counts as done either way.
    void ExtractRow(TFile& package, TRow& row) {
        const std::u16string folderSpec = row.Items(pcFolder)->Text();
        const std::u16string name = row.Items(pcFileName)->Text();
        std::u16string folder;
        bool macro = false;
        if (IsRootRow(row)) {
            folder = FDestination;
        } else if (IsMacroFolder(folderSpec)) {
            macro = true;
            folder = *SafeMacroFolder(folderSpec, FSystemDir);
        } else {
            folder = FDestination + folderSpec;
        }
        if (!DirectoryExists(folder)) ForceDirectories(folder);

        const std::int32_t packed = row.Items(pcCompressedSize)->Value();
        if (packed < 0) throw EPackageError("negative compressed size " + std::to_string(packed));
        const std::int32_t size = row.Items(pcUncompressedSize)->Value();
        if (macro && FileExists(folder + name)) {
            package.Seek(package.Position() + packed);
            FDone += size;
            return;
        }

        TFile out = TFile::CreateAlways(folder + std::u16string(LastPathComponent(name)));
        Inflate(package, packed, size, out);
        out.Close();
        FDone += size;
        Report();
    }

    // Inflates the record of `packed` bytes at the package's read position into out,
    // which must receive exactly `size` bytes.
    void Inflate(TFile& package, std::int32_t packed, std::int32_t size, TFile& out) {
        TInflater inflater;
        z_stream& z = inflater.Stream();
        std::int64_t left = packed;
        std::int64_t written = 0;
        bool ended = false;
        while (!ended) {
            if (z.avail_in == 0) {
                if (left == 0) throw EInflateError("the record ends before its zlib stream");
                const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(left, kChunkSize));
                package.ReadExact(FIn.data(), want);
                left -= static_cast<std::int64_t>(want);
                z.next_in = FIn.data();
                z.avail_in = static_cast<uInt>(want);
            }
            z.next_out = FOut.data();
            z.avail_out = static_cast<uInt>(FOut.size());
            const int rc = inflate(&z, Z_NO_FLUSH);
            if (rc == Z_STREAM_END) {
                ended = true;
            } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
                throw EInflateError(std::string("zlib: ") + (z.msg ? z.msg : "error " + std::to_string(rc)));
            }
            const std::size_t got = FOut.size() - z.avail_out;
            if (written + static_cast<std::int64_t>(got) > size)
                throw EInflateError("the record inflates to more than its " + std::to_string(size) + " bytes");
            out.Write(FOut.data(), got);
            written += static_cast<std::int64_t>(got);
        }
        if (written != size)
            throw EInflateError("the record inflates to " + std::to_string(written) + " bytes, not " +
                                std::to_string(size));
        // Bytes after the stream's end still belong to this record.
        if (left > 0) package.Seek(package.Position() + left);
    }

    void Report() {
        if (!FProgress) return;
        // All sizes 0: each written file completes the whole.
        if (FTotal == 0) return FProgress(100);
        // Halves go to the even neighbour (the default rounding mode).
        FProgress(static_cast<std::int64_t>(std::nearbyint(static_cast<double>(FDone) / FTotal * 100.0)));
    }

    const std::u16string& FDestination;
    const TProgressEvent& FProgress;
    const std::u16string& FSystemDir;
    std::vector<unsigned char> FIn;
    std::vector<unsigned char> FOut;
    std::int64_t FTotal = 0;
    std::int64_t FDone = 0;
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
    std::unique_ptr<TDataTable> table = ReadPackageTable(package, password);
    if (!table) return;
    TExtraction(destinationFolder, progress, systemDir).Run(package, *table);
}

void ExtractSetupPackage(const std::u16string& packageFile, const std::u16string& destinationFolder,
                         const std::u16string& password, const TProgressEvent& progress) {
    ExtractSetupPackage(packageFile, destinationFolder, password, progress, GetSystemDir());
}

}  // namespace stp
