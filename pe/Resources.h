// Resources as the resource directory of a Windows image keys them: type, name and
// language, each type and name a number or a text.
#pragma once

#include <cstdint>
#include <string>

namespace stp::pe {

// A numeric id, or a name when Name is not empty. Windows upper-cases a name before it
// looks it up, so names compare without regard to ASCII case and are written upper-cased.
struct ResourceId {
    std::uint16_t Id = 0;
    std::u16string Name;

    static ResourceId Number(std::uint16_t id);
    static ResourceId Named(std::u16string name);  // stored upper-cased
    bool IsName() const;
    std::string ToString() const;  // "24" or "STPFILE"
};

bool operator==(const ResourceId& a, const ResourceId& b);
// Directory order: names first, ordinally by their upper-cased form, then ids ascending.
bool operator<(const ResourceId& a, const ResourceId& b);

// The name with ASCII letters upper-cased; a number as it is.
ResourceId UpperCased(const ResourceId& id);

enum ResourceType : std::uint16_t {
    rtBitmap = 2,
    rtIcon = 3,
    rtString = 6,
    rtRcData = 10,
    rtGroupIcon = 14,
    rtManifest = 24,
};

struct Resource {
    ResourceId Type;
    ResourceId Name;
    std::uint16_t Language = 0;
    std::string Data;  // bytes
};

bool operator==(const Resource& a, const Resource& b);
// Directory order: by type, then name, then language.
bool operator<(const Resource& a, const Resource& b);

}  // namespace stp::pe
