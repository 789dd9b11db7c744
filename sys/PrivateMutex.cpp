#include "sys/PrivateMutex.h"

#include <sddl.h>

#include <memory>

#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "package/FileSystem.h"
#include "sys/FolderSecurity.h"
#include "sys/WideText.h"

namespace stp {

namespace {

// The boundary's name and the namespace's prefix in this process's object names.
constexpr wchar_t kBoundaryName[] = L"stp-installations";
constexpr wchar_t kAlias[] = L"stp-installations";
// Only administrators and the system may open the namespace or make objects in it.
constexpr wchar_t kNamespaceSecurity[] = L"D:P(A;;GA;;;BA)(A;;GA;;;SY)";
constexpr char16_t kGlobalPrefix[] = u"Global\\";

// The namespace calls, looked up at run time: Windows XP has none of them (nor has Wine,
// which has only CreateBoundaryDescriptorW, returning nothing).
struct NamespaceCalls {
    decltype(&CreateBoundaryDescriptorW) CreateBoundary;
    decltype(&AddSIDToBoundaryDescriptor) AddSid;
    decltype(&DeleteBoundaryDescriptor) DeleteBoundary;
    decltype(&CreatePrivateNamespaceW) Create;
    decltype(&OpenPrivateNamespaceW) Open;
    decltype(&ClosePrivateNamespace) Close;

    bool None() const { return !Create && !Open && !Close; }
    bool All() const { return CreateBoundary && AddSid && DeleteBoundary && Create && Open && Close; }
};

template <class F>
F Lookup(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const NamespaceCalls& Calls() {
    static const NamespaceCalls calls = [] {
        const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        return NamespaceCalls{
            Lookup<decltype(NamespaceCalls::CreateBoundary)>(kernel, "CreateBoundaryDescriptorW"),
            Lookup<decltype(NamespaceCalls::AddSid)>(kernel, "AddSIDToBoundaryDescriptor"),
            Lookup<decltype(NamespaceCalls::DeleteBoundary)>(kernel, "DeleteBoundaryDescriptor"),
            Lookup<decltype(NamespaceCalls::Create)>(kernel, "CreatePrivateNamespaceW"),
            Lookup<decltype(NamespaceCalls::Open)>(kernel, "OpenPrivateNamespaceW"),
            Lookup<decltype(NamespaceCalls::Close)>(kernel, "ClosePrivateNamespace"),
        };
    }();
    return calls;
}

Error Failed(const std::string& what, DWORD error) {
    return Error("The lock that keeps setups and uninstalls of this product one at a time cannot be made: " + what +
                 ": " + SystemErrorText(error));
}

// A boundary descriptor; AddSIDToBoundaryDescriptor may move it, so it is held by address.
class TBoundary {
public:
    explicit TBoundary(const NamespaceCalls& calls) : calls_(calls), boundary_(calls.CreateBoundary(kBoundaryName, 0)) {
        if (!boundary_) throw Failed("no boundary descriptor", GetLastError());
        BYTE sid[SECURITY_MAX_SID_SIZE];
        DWORD size = sizeof sid;
        if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) || !calls.AddSid(&boundary_, sid))
            throw Failed("the Administrators group cannot bound the namespace", GetLastError());
    }
    ~TBoundary() { calls_.DeleteBoundary(boundary_); }
    TBoundary(const TBoundary&) = delete;
    TBoundary& operator=(const TBoundary&) = delete;

    HANDLE Get() const noexcept { return boundary_; }

private:
    const NamespaceCalls& calls_;
    HANDLE boundary_;
};

struct NamespaceCloser {
    void operator()(HANDLE handle) const noexcept { Calls().Close(handle, 0); }
};
using UniqueNamespace = std::unique_ptr<void, NamespaceCloser>;

UniqueNamespace OpenNamespace(const NamespaceCalls& calls) {
    const TBoundary boundary(calls);
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kNamespaceSecurity, SDDL_REVISION_1, &raw, nullptr))
        throw Failed("no security descriptor", GetLastError());
    const SecurityDescriptor descriptor(raw);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
    // Another setup may make the namespace, or close its last handle to it, between the
    // two calls: each round makes it or opens it.
    for (int round = 0; round < 16; ++round) {
        if (HANDLE made = calls.Create(&attributes, boundary.Get(), kAlias)) return UniqueNamespace(made);
        if (GetLastError() != ERROR_ALREADY_EXISTS) throw Failed("the namespace cannot be made", GetLastError());
        if (HANDLE opened = calls.Open(boundary.Get(), kAlias)) return UniqueNamespace(opened);
        if (GetLastError() != ERROR_PATH_NOT_FOUND) throw Failed("the namespace cannot be opened", GetLastError());
    }
    throw Failed("the namespace kept appearing and disappearing", ERROR_PATH_NOT_FOUND);
}

// The object name of the mutex Name: in the namespace, which this process opens once and
// keeps open until it ends; Name itself where the system has no namespaces.
std::u16string ObjectName(const std::u16string& name) {
    const NamespaceCalls& calls = Calls();
    if (calls.None()) return name;
    if (!calls.All()) throw Failed("the system has only some of the private namespace calls", ERROR_PROC_NOT_FOUND);
    static const UniqueNamespace opened = OpenNamespace(calls);
    const std::u16string_view global = kGlobalPrefix;
    const std::u16string bare = name.compare(0, global.size(), global) == 0 ? name.substr(global.size()) : name;
    return FromWide(kAlias) + u"\\" + bare;
}

}  // namespace

TPrivateMutex::TPrivateMutex(const std::u16string& Name) {
    mutex_.reset(CreateMutexW(nullptr, FALSE, AsWide(ObjectName(Name))));
    const DWORD error = GetLastError();
    // Made by a process this one may not share it with: as good as another one running.
    if (!mutex_ && error != ERROR_ACCESS_DENIED) throw Failed("the mutex " + ToUtf8(Name) + " cannot be made", error);
    madeBefore_ = !mutex_ || error == ERROR_ALREADY_EXISTS;
}

bool TPrivateMutex::OtherExists(const std::u16string& Other) const {
    const UniqueHandle found(OpenMutexW(SYNCHRONIZE, FALSE, AsWide(ObjectName(Other))));
    return found || GetLastError() == ERROR_ACCESS_DENIED;
}

}  // namespace stp
