#include "sys/FolderSecurity.h"

#include <aclapi.h>
#include <knownfolders.h>
#include <sddl.h>

#include <vector>

#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "package/FileSystem.h"
#include "sys/Handles.h"
#include "sys/Shortcuts.h"
#include "sys/WideText.h"

namespace stp {

namespace {

// Read and execute for Users (0x1200a9); full control (FA) for the system and administrators.
constexpr wchar_t kProtectedFolder[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
constexpr wchar_t kProtectedFile[] = L"O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)";
constexpr wchar_t kTrustedInstaller[] = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// The rights that let another account plant, replace or re-permission what is inside.
constexpr ACCESS_MASK kDestinationRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                           WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
// The rights that let another account move a folder on the way, or what is in it.
constexpr ACCESS_MASK kParentRights = FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_ALL;

SecurityDescriptor FromText(const wchar_t* text) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &descriptor, nullptr))
        throw EFileError("cannot make a security descriptor: " + SystemErrorText(GetLastError()));
    return SecurityDescriptor(descriptor);
}

std::vector<BYTE> TokenUser() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
    const UniqueHandle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.get(), ::TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    if (!size || !GetTokenInformation(token.get(), ::TokenUser, user.data(), size, &size)) return {};
    return user;
}

bool IsTrusted(PSID sid) {
    if (IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) return true;
    static const SecurityDescriptor installer = [] {
        PSID raw = nullptr;
        ConvertStringSidToSidW(kTrustedInstaller, &raw);
        return SecurityDescriptor(raw);
    }();
    if (installer && EqualSid(sid, installer.get())) return true;
    static const std::vector<BYTE> user = TokenUser();
    return !user.empty() && EqualSid(sid, reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid);
}

// Placeholders that name nobody on the object itself: whoever creates something below,
// and the owner (checked on its own).
bool IsPlaceholder(PSID sid) {
    static const SecurityDescriptor ownerRights = [] {
        PSID raw = nullptr;
        ConvertStringSidToSidW(L"S-1-3-4", &raw);
        return SecurityDescriptor(raw);
    }();
    return IsWellKnownSid(sid, WinCreatorOwnerSid) || IsWellKnownSid(sid, WinCreatorGroupSid) ||
           (ownerRights && EqualSid(sid, ownerRights.get()));
}

std::u16string AccountName(PSID sid) {
    wchar_t name[256], domain[256];
    DWORD nameSize = 256, domainSize = 256;
    SID_NAME_USE use;
    if (LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
        return domain[0] ? FromWide(domain) + u"\\" + FromWide(name) : FromWide(name);
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text)) return u"an unknown account";
    const SecurityDescriptor owned(text);
    return FromWide(text);
}

}  // namespace

SecurityDescriptor ProtectedFolderSecurity() { return FromText(kProtectedFolder); }

std::u16string UntrustedWriter(HANDLE Object, const std::u16string& Path, TrustRole Role) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR raw = nullptr;
    const DWORD error = GetSecurityInfo(Object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                        &owner, nullptr, &dacl, nullptr, &raw);
    if (error != ERROR_SUCCESS)
        throw EFileError("cannot read who may change '" + ToUtf8(Path) + "': " + SystemErrorText(error));
    const SecurityDescriptor descriptor(raw);
    // Its owner may always give itself any right.
    if (owner && !IsTrusted(owner)) return AccountName(owner);
    if (!dacl) return u"Everyone";
    const ACCESS_MASK rights = Role == TrustRole::Destination ? kDestinationRights : kParentRights;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&header))) continue;
        // What is made inside inherits these: they count for the destination itself.
        if ((header->AceFlags & INHERIT_ONLY_ACE) && Role != TrustRole::Destination) continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE) continue;
        const auto* ace = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
        PSID sid = const_cast<DWORD*>(&ace->SidStart);
        if ((ace->Mask & rights) && !IsPlaceholder(sid) && !IsTrusted(sid)) return AccountName(sid);
    }
    return {};
}

void ResetToProtected(HANDLE Object, const std::u16string& Path, bool IsFolder) {
    const SecurityDescriptor descriptor = FromText(IsFolder ? kProtectedFolder : kProtectedFile);
    if (!SetKernelObjectSecurity(Object, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor.get()))
        throw EFileError("cannot take over '" + ToUtf8(Path) + "': " + SystemErrorText(GetLastError()));
}

std::u16string ProgramFilesFolder() {
    std::u16string folder = KnownFolderPath(FOLDERID_ProgramFiles);
    while (folder.size() > 3 && folder.back() == u'\\') folder.pop_back();
    return folder;
}

bool IsBelowProgramFiles(const std::u16string& Path) {
    const std::u16string path = Path.empty() || Path.back() == u'\\' ? Path : Path + u'\\';
    for (const KNOWNFOLDERID& id : {FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX86}) {
        const std::u16string folder = KnownFolderPath(id);
        if (folder.empty()) continue;
        const std::u16string below = folder.back() == u'\\' ? folder : folder + u'\\';
        if (path.size() >= below.size() &&
            CompareStringOrdinal(AsWide(path), static_cast<int>(below.size()), AsWide(below),
                                 static_cast<int>(below.size()), TRUE) == CSTR_EQUAL)
            return true;
    }
    return false;
}

}  // namespace stp
