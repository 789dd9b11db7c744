#include "pe/Resources.h"

#include <tuple>

#include "datatable/Text.h"

namespace stp::pe {

namespace {

std::u16string AsciiUpper(std::u16string text) {
    for (char16_t& c : text)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    return text;
}

}  // namespace

ResourceId ResourceId::Number(std::uint16_t id) {
    ResourceId result;
    result.Id = id;
    return result;
}

ResourceId ResourceId::Named(std::u16string name) {
    ResourceId result;
    result.Name = AsciiUpper(std::move(name));
    return result;
}

bool ResourceId::IsName() const { return !Name.empty(); }

std::string ResourceId::ToString() const { return IsName() ? ToUtf8(Name) : std::to_string(Id); }

ResourceId UpperCased(const ResourceId& id) { return id.IsName() ? ResourceId::Named(id.Name) : id; }

bool operator==(const ResourceId& a, const ResourceId& b) {
    if (a.IsName() != b.IsName()) return false;
    return a.IsName() ? AsciiUpper(a.Name) == AsciiUpper(b.Name) : a.Id == b.Id;
}

bool operator<(const ResourceId& a, const ResourceId& b) {
    if (a.IsName() != b.IsName()) return a.IsName();
    return a.IsName() ? AsciiUpper(a.Name) < AsciiUpper(b.Name) : a.Id < b.Id;
}

bool operator==(const Resource& a, const Resource& b) {
    return a.Type == b.Type && a.Name == b.Name && a.Language == b.Language && a.Data == b.Data;
}

bool operator<(const Resource& a, const Resource& b) {
    return std::tie(a.Type, a.Name, a.Language) < std::tie(b.Type, b.Name, b.Language);
}

}  // namespace stp::pe
