#include "ui/Resources.h"

#include <stdexcept>

#include "ui/Wide.h"

namespace stp {

namespace {

HMODULE resourceModule = nullptr;

std::string Narrow(const std::wstring& name) { return std::string(name.begin(), name.end()); }

}  // namespace

HMODULE ResourceModule() noexcept { return resourceModule ? resourceModule : GetModuleHandleW(nullptr); }

void SetResourceModule(HMODULE Module) noexcept { resourceModule = Module; }

std::u16string LoadResString(UINT Id) {
    // With a zero length LoadStringW hands out a pointer into the resource itself.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(ResourceModule(), Id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || !text) return {};
    return FromWide(std::wstring_view(text, static_cast<std::size_t>(length)));
}

bool HasResource(const std::wstring& Name, const wchar_t* Type) noexcept {
    return FindResourceW(ResourceModule(), Name.c_str(), Type) != nullptr;
}

std::vector<std::uint8_t> LoadResourceData(const std::wstring& Name, const wchar_t* Type) {
    HMODULE module = ResourceModule();
    HRSRC info = FindResourceW(module, Name.c_str(), Type);
    HGLOBAL data = info ? LoadResource(module, info) : nullptr;
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes) throw std::runtime_error("Resource " + Narrow(Name) + " not found.");
    const auto* first = static_cast<const std::uint8_t*>(bytes);
    return std::vector<std::uint8_t>(first, first + SizeofResource(module, info));
}

TBitmap LoadBitmapResource(const std::wstring& Name) {
    auto bitmap =
        static_cast<HBITMAP>(LoadImageW(ResourceModule(), Name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap) throw std::runtime_error("Resource " + Narrow(Name) + " not found.");
    return TBitmap(bitmap);
}

}  // namespace stp
