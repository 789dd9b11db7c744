#include "package/HeldTree.h"

#include <vector>

#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "package/FileSystem.h"

#ifdef _WIN32
#include <windows.h>
#include <winternl.h>
#else
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace stp {

namespace {

constexpr std::intptr_t kNone = -1;

std::string Quoted(std::u16string_view path) { return "'" + ToUtf8(path) + "'"; }

#ifdef _WIN32

extern "C" NTSTATUS NTAPI NtCreateFile(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER,
                                       ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
extern "C" NTSTATUS NTAPI NtSetInformationFile(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
extern "C" ULONG NTAPI RtlNtStatusToDosError(NTSTATUS);

constexpr ULONG kOpenReparsePoint = 0x00200000;  // FILE_OPEN_REPARSE_POINT
constexpr NTSTATUS kNameNotFound = static_cast<NTSTATUS>(0xC0000034);
constexpr NTSTATUS kPathNotFound = static_cast<NTSTATUS>(0xC000003A);
constexpr NTSTATUS kDeletePending = static_cast<NTSTATUS>(0xC0000056);
constexpr NTSTATUS kNotADirectory = static_cast<NTSTATUS>(0xC0000103);
constexpr NTSTATUS kIsADirectory = static_cast<NTSTATUS>(0xC00000BA);
constexpr NTSTATUS kSharingViolation = static_cast<NTSTATUS>(0xC0000043);
constexpr NTSTATUS kCannotDelete = static_cast<NTSTATUS>(0xC0000121);
constexpr NTSTATUS kNotEmpty = static_cast<NTSTATUS>(0xC0000101);
constexpr NTSTATUS kAccessDenied = static_cast<NTSTATUS>(0xC0000022);
constexpr NTSTATUS kNameCollision = static_cast<NTSTATUS>(0xC0000035);
constexpr FILE_INFORMATION_CLASS kRenameInformation = static_cast<FILE_INFORMATION_CLASS>(10);
constexpr FILE_INFORMATION_CLASS kDispositionInformation = static_cast<FILE_INFORMATION_CLASS>(13);

HANDLE H(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }
const wchar_t* Wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

std::string ErrorText(DWORD code) { return SystemErrorText(code); }

std::string StatusText(NTSTATUS status) { return ErrorText(RtlNtStatusToDosError(status)); }

// The object's name when the system gives it as a DOS path ("\??\C:\..."): Wine does, and
// its GetFinalPathNameByHandleW fails beyond MAX_PATH. Empty otherwise.
std::u16string ObjectDosPath(HANDLE handle) {
    std::vector<std::uint8_t> buffer(sizeof(UNICODE_STRING) + 65536);
    ULONG length = 0;
    if (NtQueryObject(handle, static_cast<OBJECT_INFORMATION_CLASS>(1), buffer.data(),
                      static_cast<ULONG>(buffer.size()), &length) != 0)
        return {};
    const auto* name = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
    std::u16string path(reinterpret_cast<const char16_t*>(name->Buffer), name->Length / sizeof(wchar_t));
    return path.rfind(u"\\??\\", 0) == 0 ? path.substr(4) : std::u16string();
}

// Where the handle's file really is, as a DOS path without the "\\?\" prefix.
std::u16string FinalPath(HANDLE handle) {
    std::vector<wchar_t> buffer(32768);
    const DWORD n = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0 || n >= buffer.size()) return ObjectDosPath(handle);
    std::u16string path(reinterpret_cast<const char16_t*>(buffer.data()), n);
    if (path.rfind(u"\\\\?\\UNC\\", 0) == 0) return u"\\\\" + path.substr(8);
    if (path.rfind(u"\\\\?\\", 0) == 0) return path.substr(4);
    return path;
}

bool SamePath(const std::u16string& a, const std::u16string& b) {
    return CompareStringOrdinal(Wide(a), static_cast<int>(a.size()), Wide(b), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// A handle that opened a link's target shows it by its attributes (Windows) or by a
// real place other than the one asked for (Wine, which follows Unix links regardless).
bool IsLinkOrElsewhere(HANDLE handle, const std::u16string& expected, std::u16string& real) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return true;
    real = FinalPath(handle);
    return real.empty() || !SamePath(real, expected);
}

// Name in Folder opened or made (Disposition) without following a link at it; Security
// for what is made, null to inherit.
NTSTATUS CreateRelative(std::intptr_t folder, std::u16string_view name, ACCESS_MASK access, ULONG share,
                        ULONG disposition, ULONG options, const void* security, HANDLE& handle) {
    UNICODE_STRING text;
    text.Buffer = const_cast<PWSTR>(reinterpret_cast<const wchar_t*>(name.data()));
    text.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    text.MaximumLength = text.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, H(folder),
                               const_cast<PSECURITY_DESCRIPTOR>(security));
    IO_STATUS_BLOCK io{};
    handle = nullptr;
    return NtCreateFile(&handle, access | SYNCHRONIZE | FILE_READ_ATTRIBUTES, &attributes, &io, nullptr,
                        FILE_ATTRIBUTE_NORMAL, share, disposition,
                        options | kOpenReparsePoint | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
}

NTSTATUS OpenRelative(std::intptr_t folder, std::u16string_view name, ACCESS_MASK access, ULONG share, ULONG options,
                      HANDLE& handle) {
    return CreateRelative(folder, name, access, share, FILE_OPEN, options, nullptr, handle);
}

THeldState StateOf(NTSTATUS status, bool wantFolder, std::string& cause) {
    switch (status) {
    case kNameNotFound:
    case kPathNotFound:
    case kDeletePending: return THeldState::Missing;
    case kNotADirectory: return wantFolder ? THeldState::WrongKind : THeldState::Failed;
    case kIsADirectory: return wantFolder ? THeldState::Failed : THeldState::WrongKind;
    case kSharingViolation: return THeldState::InUse;
    default: cause = StatusText(status); return THeldState::Failed;
    }
}

void CloseNative(std::intptr_t h) {
    if (h != kNone) CloseHandle(H(h));
}

#else

std::string ErrnoText() { return std::strerror(errno); }

std::string Utf8Name(std::u16string_view name) { return ToUtf8(name); }

void CloseNative(std::intptr_t h) {
    if (h != kNone) close(static_cast<int>(h));
}

THeldState StateOfErrno(bool wantFolder, std::string& cause) {
    switch (errno) {
    case ENOENT: return THeldState::Missing;
    case ELOOP: return THeldState::Link;
    case ENOTDIR: return wantFolder ? THeldState::WrongKind : THeldState::Missing;
    default: cause = ErrnoText(); return THeldState::Failed;
    }
}

// The entry Name in Parent is still the object Handle holds.
bool StillThere(std::intptr_t parent, const std::u16string& name, std::intptr_t handle) {
    struct stat there {
    }, held{};
    return fstatat(static_cast<int>(parent), Utf8Name(name).c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 &&
           fstat(static_cast<int>(handle), &held) == 0 && there.st_dev == held.st_dev && there.st_ino == held.st_ino;
}

#endif

std::u16string Child(const std::u16string& folder, std::u16string_view name) {
#ifdef _WIN32
    constexpr char16_t separator = u'\\';
#else
    constexpr char16_t separator = u'/';
#endif
    std::u16string path = folder;
    if (!path.empty() && path.back() != separator) path += separator;
    return path + std::u16string(name);
}

}  // namespace

THeldFolder::THeldFolder(std::intptr_t handle, std::u16string path, std::intptr_t parent, std::u16string name)
    : handle_(handle), path_(std::move(path)), parent_(parent), name_(std::move(name)) {}

THeldFolder::THeldFolder(THeldFolder&& other) noexcept
    : handle_(other.handle_), path_(std::move(other.path_)), parent_(other.parent_), name_(std::move(other.name_)),
      inUse_(other.inUse_) {
    other.handle_ = kNone;
    other.parent_ = kNone;
}

THeldFolder& THeldFolder::operator=(THeldFolder&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        parent_ = other.parent_;
        path_ = std::move(other.path_);
        name_ = std::move(other.name_);
        inUse_ = other.inUse_;
        other.handle_ = kNone;
        other.parent_ = kNone;
    }
    return *this;
}

THeldFolder::~THeldFolder() { Close(); }

std::u16string THeldFolder::PathOf(std::u16string_view Name) const { return Child(path_, Name); }

void THeldFolder::Close() {
    CloseNative(handle_);
    CloseNative(parent_);
    handle_ = parent_ = kNone;
}

THeldFile::THeldFile(std::intptr_t handle, std::u16string path, std::intptr_t parent, std::u16string name)
    : handle_(handle), path_(std::move(path)), parent_(parent), name_(std::move(name)) {}

THeldFile::~THeldFile() {
    CloseNative(handle_);
    CloseNative(parent_);
}

#ifdef _WIN32

namespace {

HANDLE OpenRootHandle(const std::u16string& path, DWORD access,
                      DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE) {
    return CreateFileW(Wide(path), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE | access, share, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// Folders held for writing below them: nobody may rename or delete them meanwhile, and
// one that another program already holds with the right to do so is not taken.
constexpr DWORD kWriteShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

}  // namespace

THeldFolder THeldFolder::OpenRoot(const std::u16string& Path) { return OpenRootWith(Path, true); }

THeldFolder THeldFolder::OpenRootToWrite(const std::u16string& Path) { return OpenRootWith(Path, false); }

THeldFolder THeldFolder::OpenRootWith(const std::u16string& Path, bool ToRemove) {
    std::u16string path = Path;
    while (path.size() > 3 && path.back() == u'\\') path.pop_back();
    HANDLE handle = INVALID_HANDLE_VALUE;
    bool inUse = false;
    if (ToRemove) {
        handle = OpenRootHandle(path, DELETE);
        // Another program's current folder: held to empty it, without the right to delete it.
        inUse = handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION;
        if (inUse) handle = OpenRootHandle(path, 0);
    } else {
        handle = OpenRootHandle(path, READ_CONTROL | WRITE_DAC | WRITE_OWNER, kWriteShare);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
            handle = OpenRootHandle(path, READ_CONTROL, kWriteShare);
    }
    if (handle == INVALID_HANDLE_VALUE)
        throw EFileError("cannot open the folder " + Quoted(path) + ": " + ErrorText(GetLastError()));
    std::u16string real;
    wchar_t full[32768];
    const DWORD n = GetFullPathNameW(Wide(path), 32768, full, nullptr);
    std::u16string expected = n && n < 32768 ? std::u16string(reinterpret_cast<char16_t*>(full), n) : path;
    // A short (8.3) name is another name of the same folder, not a link: compared in full.
    wchar_t longer[32768];
    const DWORD m = n && n < 32768 ? GetLongPathNameW(full, longer, 32768) : 0;
    if (m && m < 32768) expected.assign(reinterpret_cast<char16_t*>(longer), m);
    if (IsLinkOrElsewhere(handle, expected, real)) {
        CloseHandle(handle);
        throw EFileError("the folder " + Quoted(path) + " is reached through a link" +
                         (real.empty() ? std::string() : " to " + Quoted(real)));
    }
    THeldFolder folder(reinterpret_cast<std::intptr_t>(handle), real, kNone, {});
    folder.inUse_ = inUse;
    return folder;
}

namespace {

// Opens Name in Folder without following it: Open with the handle and where it really
// is, or what stood there.
THeldState OpenChild(const THeldFolder& folder, std::u16string_view name, ACCESS_MASK access, ULONG share,
                     bool wantFolder, HANDLE& handle, std::u16string& real, std::string& cause) {
    const NTSTATUS status = OpenRelative(folder.Native(), name, access, share,
                                         wantFolder ? FILE_DIRECTORY_FILE : FILE_NON_DIRECTORY_FILE, handle);
    if (status != 0) return StateOf(status, wantFolder, cause);
    if (IsLinkOrElsewhere(handle, folder.PathOf(name), real)) {
        CloseHandle(handle);
        return THeldState::Link;
    }
    return THeldState::Open;
}

}  // namespace

THeldState THeldFolder::OpenFolder(std::u16string_view Name, std::unique_ptr<THeldFolder>& Folder,
                                   std::string& Cause) const {
    HANDLE handle = nullptr;
    std::u16string real;
    const ULONG share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    THeldState state = OpenChild(*this, Name, FILE_LIST_DIRECTORY | DELETE, share, true, handle, real, Cause);
    // Another program's current folder: held to empty it, without the right to delete it.
    const bool inUse = state == THeldState::InUse;
    if (inUse) state = OpenChild(*this, Name, FILE_LIST_DIRECTORY, share, true, handle, real, Cause);
    if (state == THeldState::Open) {
        Folder.reset(new THeldFolder(reinterpret_cast<std::intptr_t>(handle), real, kNone, std::u16string(Name)));
        Folder->inUse_ = inUse;
    }
    return state;
}

THeldState THeldFolder::OpenFile(std::u16string_view Name, std::unique_ptr<THeldFile>& File, std::string& Cause) const {
    HANDLE handle = nullptr;
    std::u16string real;
    // Others may read it meanwhile, but neither write, delete nor rename it.
    const THeldState state = OpenChild(*this, Name, DELETE | FILE_READ_DATA | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
                                       false, handle, real, Cause);
    if (state == THeldState::Open)
        File.reset(new THeldFile(reinterpret_cast<std::intptr_t>(handle), real, kNone, std::u16string(Name)));
    return state;
}

namespace {

constexpr ACCESS_MASK kWriteFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | READ_CONTROL;
constexpr ACCESS_MASK kWriteFileAccess =
    FILE_READ_DATA | FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_ATTRIBUTES | DELETE | READ_CONTROL;
constexpr ACCESS_MASK kPermissionAccess = WRITE_DAC | WRITE_OWNER;

// Opens or makes Name, asking for the right to change its permissions where it is
// granted; the handle is checked to be where it was asked for.
THeldState CreateChild(const THeldFolder& folder, std::u16string_view name, ACCESS_MASK access, ULONG share,
                       ULONG disposition, bool wantFolder, const void* security, HANDLE& handle, std::u16string& real,
                       std::string& cause) {
    const ULONG options = wantFolder ? FILE_DIRECTORY_FILE : FILE_NON_DIRECTORY_FILE;
    NTSTATUS status = CreateRelative(folder.Native(), name, access | kPermissionAccess, share, disposition, options,
                                     security, handle);
    if (status == kAccessDenied)
        status = CreateRelative(folder.Native(), name, access, share, disposition, options, security, handle);
    if (status == kNameCollision) return THeldState::Open;  // there already: the caller opens it
    if (status != 0) return StateOf(status, wantFolder, cause);
    if (IsLinkOrElsewhere(handle, folder.PathOf(name), real)) {
        CloseHandle(handle);
        handle = nullptr;
        return THeldState::Link;
    }
    return THeldState::Open;
}

bool DeleteHandle(HANDLE handle) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    IO_STATUS_BLOCK io{};
    return NtSetInformationFile(handle, &io, &disposition, sizeof disposition, kDispositionInformation) == 0;
}

}  // namespace

THeldState THeldFolder::MakeFolder(std::u16string_view Name, std::unique_ptr<THeldFolder>& Folder, std::string& Cause,
                                   const void* Security, bool& Created) const {
    const ULONG share = kWriteShare;
    HANDLE handle = nullptr;
    std::u16string real;
    THeldState state =
        CreateChild(*this, Name, kWriteFolderAccess, share, FILE_CREATE, true, Security, handle, real, Cause);
    Created = handle != nullptr;
    // Given at creation; given again through the handle where a system keeps only what is
    // set afterwards (Wine), so what is read back is what was meant.
    if (Created && Security)
        SetKernelObjectSecurity(handle, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                const_cast<PSECURITY_DESCRIPTOR>(Security));
    if (state == THeldState::Open && !handle) {
        state = CreateChild(*this, Name, kWriteFolderAccess, share, FILE_OPEN, true, nullptr, handle, real, Cause);
        // Something stands at the name that cannot be opened as a folder: a link to nothing.
        if (state == THeldState::Missing) state = THeldState::Link;
    }
    if (state == THeldState::Open)
        Folder.reset(new THeldFolder(reinterpret_cast<std::intptr_t>(handle), real, kNone, std::u16string(Name)));
    return state;
}

THeldState THeldFolder::WriteFile(std::u16string_view Name, std::unique_ptr<TFile>& File, std::string& Cause,
                                  bool& Created, bool Fresh, bool Shared) const {
    const ULONG share = Shared ? FILE_SHARE_READ : 0;
    for (int round = 0; round < 2; ++round) {
        HANDLE handle = nullptr;
        std::u16string real;
        THeldState state =
            CreateChild(*this, Name, kWriteFileAccess, share, FILE_CREATE, false, nullptr, handle, real, Cause);
        Created = handle != nullptr;
        if (state == THeldState::Open && !handle) {
            state = CreateChild(*this, Name, kWriteFileAccess, share, FILE_OPEN, false, nullptr, handle, real, Cause);
            // The name stands, yet nothing opens there: a link to nothing.
            if (state == THeldState::Missing) state = THeldState::Link;
        }
        if (state != THeldState::Open) return state;
        BY_HANDLE_FILE_INFORMATION info{};
        if (!GetFileInformationByHandle(handle, &info)) {
            Cause = ErrorText(GetLastError());
            CloseHandle(handle);
            return THeldState::Failed;
        }
        if (!Created && info.nNumberOfLinks > 1) {
            CloseHandle(handle);
            return THeldState::HardLinked;
        }
        if (!Created && Fresh && round == 0) {
            const bool gone = DeleteHandle(handle);
            CloseHandle(handle);
            if (!gone) {
                Cause = "the earlier file cannot be deleted";
                return THeldState::Failed;
            }
            continue;
        }
        File = std::make_unique<TFile>(TFile::Adopt(real, reinterpret_cast<std::intptr_t>(handle)));
        if (!Created) File->Truncate();
        return THeldState::Open;
    }
    Cause = "the name was taken again while it was made anew";
    return THeldState::Failed;
}

bool THeldFolder::RemoveIfEmpty() {
    FILE_DISPOSITION_INFO disposition{TRUE};
    IO_STATUS_BLOCK io{};
    const NTSTATUS status =
        NtSetInformationFile(H(handle_), &io, &disposition, sizeof disposition, kDispositionInformation);
    if (status == kNotEmpty) return false;
    if (status != 0) throw EFileError("cannot remove the folder " + Quoted(path_) + ": " + StatusText(status));
    return true;
}

bool DeleteThroughHandle(std::intptr_t Handle) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    IO_STATUS_BLOCK io{};
    return NtSetInformationFile(H(Handle), &io, &disposition, sizeof disposition, kDispositionInformation) == 0;
}

std::u16string PathOfHandle(std::intptr_t Handle) { return FinalPath(H(Handle)); }

std::u16string RenameThroughHandle(std::intptr_t File, std::intptr_t Folder, const std::u16string& NewName) {
    std::vector<std::uint8_t> buffer(sizeof(FILE_RENAME_INFO) + NewName.size() * sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = FALSE;
    info->RootDirectory = H(Folder);
    info->FileNameLength = static_cast<DWORD>(NewName.size() * sizeof(wchar_t));
    std::copy(NewName.begin(), NewName.end(), reinterpret_cast<char16_t*>(info->FileName));
    IO_STATUS_BLOCK io{};
    if (NtSetInformationFile(H(File), &io, info, static_cast<ULONG>(buffer.size()), kRenameInformation) != 0) return {};
    return FinalPath(H(File));
}

TFileStamp THeldFile::Stamp() {
    LARGE_INTEGER start{};
    SetFilePointerEx(H(handle_), start, nullptr, FILE_BEGIN);
    std::vector<char> buffer(1 << 20);
    TFileStamp stamp;
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(H(handle_), buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr))
            throw EFileError("cannot read " + Quoted(path_) + ": " + ErrorText(GetLastError()));
        if (n == 0) return stamp;
        stamp = StampOf(buffer.data(), n, stamp);
    }
}

std::string THeldFile::ReadAll(std::size_t Limit) {
    LARGE_INTEGER start{};
    SetFilePointerEx(H(handle_), start, nullptr, FILE_BEGIN);
    std::string bytes;
    char buffer[1 << 16];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(H(handle_), buffer, sizeof buffer, &n, nullptr))
            throw EFileError("cannot read " + Quoted(path_) + ": " + ErrorText(GetLastError()));
        if (n == 0) return bytes;
        if (bytes.size() + n > Limit)
            throw EFileError(Quoted(path_) + " is longer than " + std::to_string(Limit) + " bytes");
        bytes.append(buffer, n);
    }
}

bool THeldFile::Delete() {
    FILE_BASIC_INFO basic{};
    if (GetFileInformationByHandleEx(H(handle_), FileBasicInfo, &basic, sizeof basic) &&
        (basic.FileAttributes & FILE_ATTRIBUTE_READONLY)) {
        // Installed, not the user's: a read-only file goes too.
        basic = FILE_BASIC_INFO{};
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(H(handle_), FileBasicInfo, &basic, sizeof basic);
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    IO_STATUS_BLOCK io{};
    const NTSTATUS status =
        NtSetInformationFile(H(handle_), &io, &disposition, sizeof disposition, kDispositionInformation);
    if (status == kCannotDelete || status == kAccessDenied || status == kSharingViolation) return false;
    if (status != 0) throw EFileError("cannot delete " + Quoted(path_) + ": " + StatusText(status));
    return true;
}

std::u16string THeldFile::RenameTo(const THeldFolder& Folder, const std::u16string& NewName) {
    return RenameThroughHandle(handle_, Folder.Native(), NewName);
}

#else

THeldFolder THeldFolder::OpenRoot(const std::u16string& Path) {
    const std::string path = ToUtf8(Path);
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) throw EFileError("cannot open the folder " + Quoted(Path) + ": " + ErrnoText());
    std::error_code error;
    const auto real = std::filesystem::canonical(path, error);
    const auto asked = std::filesystem::absolute(path, error).lexically_normal();
    if (error || real.native() != (asked.has_filename() ? asked : asked.parent_path()).native()) {
        close(fd);
        throw EFileError("the folder " + Quoted(Path) + " is reached through a link to '" + real.string() + "'");
    }
    return THeldFolder(fd, FromUtf8(real.string()), kNone, {});
}

THeldState THeldFolder::OpenFolder(std::u16string_view Name, std::unique_ptr<THeldFolder>& Folder,
                                   std::string& Cause) const {
    const int fd =
        openat(static_cast<int>(handle_), Utf8Name(Name).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        // A link to a folder and a plain file both fail here; only the link is a link.
        struct stat there {};
        if (errno == ENOTDIR &&
            fstatat(static_cast<int>(handle_), Utf8Name(Name).c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(there.st_mode))
            return THeldState::Link;
        return StateOfErrno(true, Cause);
    }
    const int parent = dup(static_cast<int>(handle_));
    Folder.reset(new THeldFolder(fd, Child(path_, Name), parent, std::u16string(Name)));
    return THeldState::Open;
}

THeldState THeldFolder::OpenFile(std::u16string_view Name, std::unique_ptr<THeldFile>& File, std::string& Cause) const {
    const int fd =
        openat(static_cast<int>(handle_), Utf8Name(Name).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return StateOfErrno(false, Cause);
    struct stat held {};
    if (fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
        close(fd);
        return THeldState::WrongKind;
    }
    File.reset(new THeldFile(fd, Child(path_, Name), dup(static_cast<int>(handle_)), std::u16string(Name)));
    return THeldState::Open;
}

THeldFolder THeldFolder::OpenRootToWrite(const std::u16string& Path) { return OpenRoot(Path); }

THeldState THeldFolder::MakeFolder(std::u16string_view Name, std::unique_ptr<THeldFolder>& Folder, std::string& Cause,
                                   const void*, bool& Created) const {
    Created = mkdirat(static_cast<int>(handle_), Utf8Name(Name).c_str(), 0755) == 0;
    if (!Created && errno != EEXIST) return StateOfErrno(true, Cause);
    const THeldState state = OpenFolder(Name, Folder, Cause);
    // Something stands at the name that cannot be opened as a folder: a link to nothing.
    return state == THeldState::Missing ? THeldState::Link : state;
}

THeldState THeldFolder::WriteFile(std::u16string_view Name, std::unique_ptr<TFile>& File, std::string& Cause,
                                  bool& Created, bool Fresh, bool) const {
    const int folder = static_cast<int>(handle_);
    const std::string name = Utf8Name(Name);
    for (int round = 0; round < 2; ++round) {
        int fd = openat(folder, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        Created = fd >= 0;
        if (!Created && errno == EEXIST)
            fd = openat(folder, name.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            struct stat there {};
            if (fstatat(folder, name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(there.st_mode))
                return THeldState::Link;
            if (errno == EISDIR) return THeldState::WrongKind;
            return StateOfErrno(false, Cause);
        }
        struct stat held {};
        if (fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            close(fd);
            return THeldState::WrongKind;
        }
        if (!Created && held.st_nlink > 1) {
            close(fd);
            return THeldState::HardLinked;
        }
        if (!Created && Fresh && round == 0) {
            const bool same = StillThere(folder, std::u16string(Name), fd);
            close(fd);
            if (!same || unlinkat(folder, name.c_str(), 0) != 0) {
                Cause = "the earlier file cannot be deleted";
                return THeldState::Failed;
            }
            continue;
        }
        File = std::make_unique<TFile>(TFile::Adopt(Child(path_, Name), fd));
        if (!Created && ftruncate(fd, 0) != 0) {
            Cause = ErrnoText();
            File.reset();
            return THeldState::Failed;
        }
        return THeldState::Open;
    }
    Cause = "the name was taken again while it was made anew";
    return THeldState::Failed;
}

bool THeldFolder::RemoveIfEmpty() {
    if (parent_ == kNone || !StillThere(parent_, name_, handle_))
        throw EFileError("cannot remove the folder " + Quoted(path_) + ": it is no longer where it was opened");
    if (unlinkat(static_cast<int>(parent_), Utf8Name(name_).c_str(), AT_REMOVEDIR) == 0) return true;
    if (errno == ENOTEMPTY || errno == EEXIST) return false;
    throw EFileError("cannot remove the folder " + Quoted(path_) + ": " + ErrnoText());
}

TFileStamp THeldFile::Stamp() {
    lseek(static_cast<int>(handle_), 0, SEEK_SET);
    std::vector<char> buffer(1 << 20);
    TFileStamp stamp;
    for (;;) {
        const ssize_t n = read(static_cast<int>(handle_), buffer.data(), buffer.size());
        if (n < 0) throw EFileError("cannot read " + Quoted(path_) + ": " + ErrnoText());
        if (n == 0) return stamp;
        stamp = StampOf(buffer.data(), static_cast<std::size_t>(n), stamp);
    }
}

std::string THeldFile::ReadAll(std::size_t Limit) {
    lseek(static_cast<int>(handle_), 0, SEEK_SET);
    std::string bytes;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = read(static_cast<int>(handle_), buffer, sizeof buffer);
        if (n < 0) throw EFileError("cannot read " + Quoted(path_) + ": " + ErrnoText());
        if (n == 0) return bytes;
        if (bytes.size() + static_cast<std::size_t>(n) > Limit)
            throw EFileError(Quoted(path_) + " is longer than " + std::to_string(Limit) + " bytes");
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

bool THeldFile::Delete() {
    // POSIX deletes by name only: the name is checked to hold this very file first.
    if (!StillThere(parent_, name_, handle_))
        throw EFileError("cannot delete " + Quoted(path_) + ": it is no longer where it was opened");
    if (unlinkat(static_cast<int>(parent_), Utf8Name(name_).c_str(), 0) == 0) return true;
    if (errno == EBUSY || errno == ETXTBSY) return false;
    throw EFileError("cannot delete " + Quoted(path_) + ": " + ErrnoText());
}

std::u16string THeldFile::RenameTo(const THeldFolder& Folder, const std::u16string& NewName) {
    if (!StillThere(parent_, name_, handle_)) return {};
    if (renameat(static_cast<int>(parent_), Utf8Name(name_).c_str(), static_cast<int>(Folder.Native()),
                 Utf8Name(NewName).c_str()) != 0)
        return {};
    name_ = NewName;
    return Child(Folder.Path(), NewName);
}

#endif

// Known folders: their own place followed, nothing below it.

#ifdef _WIN32

THeldState THeldFolder::OpenKnownRoot(const std::u16string& Path, std::unique_ptr<THeldFolder>& Folder,
                                      std::string& Cause) {
    std::u16string path = Path;
    while (path.size() > 3 && path.back() == u'\\') path.pop_back();
    // Without FILE_FLAG_OPEN_REPARSE_POINT: the system follows the links to the folder.
    const HANDLE handle =
        CreateFileW(Wide(path), FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return THeldState::Missing;
        Cause = ErrorText(error);
        return THeldState::Failed;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(handle);
        return THeldState::WrongKind;
    }
    // Where it really is: what stands below it is checked against that.
    std::u16string real = FinalPath(handle);
    if (real.empty()) {
        CloseHandle(handle);
        Cause = "where the folder lies cannot be told";
        return THeldState::Failed;
    }
    Folder.reset(new THeldFolder(reinterpret_cast<std::intptr_t>(handle), std::move(real), kNone, {}));
    return THeldState::Open;
}

std::vector<THeldFolder::TEntry> THeldFolder::Entries(std::size_t Limit) const {
    std::vector<TEntry> entries;
    std::vector<std::uint64_t> buffer(8192);  // 64 KB, aligned as the records want
    for (FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo; entries.size() < Limit;
         kind = FileIdBothDirectoryInfo) {
        if (!GetFileInformationByHandleEx(H(handle_), kind, buffer.data(), static_cast<DWORD>(buffer.size() * 8))) {
            if (GetLastError() == ERROR_NO_MORE_FILES) break;
            throw EFileError("cannot read the folder " + Quoted(path_) + ": " + ErrorText(GetLastError()));
        }
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(buffer.data());
        for (std::size_t at = 0;;) {
            const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes + at);
            const std::u16string name(reinterpret_cast<const char16_t*>(info->FileName),
                                      info->FileNameLength / sizeof(wchar_t));
            if (name != u"." && name != u".." && entries.size() < Limit)
                entries.push_back({name, (info->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                                             !(info->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)});
            if (!info->NextEntryOffset) break;
            at += info->NextEntryOffset;
        }
    }
    return entries;
}

#else

std::vector<THeldFolder::TEntry> THeldFolder::Entries(std::size_t Limit) const {
    const int fd = openat(static_cast<int>(handle_), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (!dir) {
        if (fd >= 0) close(fd);
        throw EFileError("cannot read the folder " + Quoted(path_) + ": " + ErrnoText());
    }
    std::vector<TEntry> entries;
    while (const dirent* entry = entries.size() < Limit ? readdir(dir) : nullptr) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat there {};
        const bool folder = fstatat(fd, entry->d_name, &there, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(there.st_mode);
        entries.push_back({FromUtf8(name), folder});
    }
    closedir(dir);
    return entries;
}

THeldState THeldFolder::OpenKnownRoot(const std::u16string& Path, std::unique_ptr<THeldFolder>& Folder,
                                      std::string& Cause) {
    const std::string path = ToUtf8(Path);
    // Without O_NOFOLLOW: links at it and on the way are followed.
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return StateOfErrno(true, Cause);
    std::error_code error;
    const auto real = std::filesystem::canonical(path, error);
    if (error) {
        close(fd);
        Cause = error.message();
        return THeldState::Failed;
    }
    Folder.reset(new THeldFolder(fd, FromUtf8(real.string()), kNone, {}));
    return THeldState::Open;
}

#endif

}  // namespace stp
