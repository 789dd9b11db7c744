#include "product/ProductTable.h"

#include <optional>
#include <string>

#include "datatable/Convert.h"
#include "datatable/Errors.h"
#include "datatable/Text.h"

namespace stp {

const SettingRow* FindSetting(std::string_view Key) {
    for (const SettingRow& row : kSettings)
        if (Key == row.Key) return &row;
    return nullptr;
}

bool ReadFreewareFlag(std::u16string_view Text) {
    if (const std::optional<bool> value = ParseBoolean(Text); value && !Text.empty()) return *value;
    throw EConvertError("'" + ToUtf8(Text) + "' is not a valid boolean value");
}

std::string RegistryKeyNameFault(std::u16string_view Name) {
    if (Name.empty()) return "it is empty";
    if (Name.size() > kMaxRegistryKeyName)
        return std::to_string(Name.size()) + " characters, more than the " + std::to_string(kMaxRegistryKeyName) +
               " of a registry key's name";
    for (const char16_t c : Name) {
        if (c == u'\\') return "it holds \\, which would put the key inside another key";
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            static const char digits[] = "0123456789ABCDEF";
            std::string code = "U+00";
            code += digits[c >> 4];
            code += digits[c & 0xF];
            return "it holds the control character " + code;
        }
    }
    return {};
}

}  // namespace stp
