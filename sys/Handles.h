// Owners for the Win32 handles the system helpers acquire: every one is released when
// its owner goes out of scope, on normal return and on an exception alike.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shtypes.h>

#include <memory>
#include <type_traits>
#include <utility>

namespace stp {

struct RegKeyCloser {
    void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
// An open registry key (never a predefined root: those are not ours to close).
using RegKey = std::unique_ptr<std::remove_pointer_t<HKEY>, RegKeyCloser>;

struct HandleCloser {
    void operator()(HANDLE handle) const noexcept {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
// A kernel handle: process, snapshot, file.
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// A kernel handle from a call that reports failure as INVALID_HANDLE_VALUE.
inline UniqueHandle MakeUniqueHandle(HANDLE handle) {
    return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

struct PidlFreer {
    void operator()(ITEMIDLIST* pidl) const noexcept { CoTaskMemFree(pidl); }
};
// A shell item list allocated by the shell's task allocator.
using UniquePidl = std::unique_ptr<ITEMIDLIST, PidlFreer>;

// One counted reference to a COM interface.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ~ComPtr() { Reset(); }

    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // For calls that hand out a new reference through a T** or void** parameter.
    T** Put() noexcept {
        Reset();
        return &p_;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

    void Reset() noexcept {
        if (p_) std::exchange(p_, nullptr)->Release();
    }

    // QueryInterface for U; the result is empty and the HRESULT returned on failure.
    template <class U>
    HRESULT As(ComPtr<U>& out) const noexcept {
        return p_->QueryInterface(__uuidof(U), out.PutVoid());
    }

private:
    T* p_ = nullptr;
};

}  // namespace stp
