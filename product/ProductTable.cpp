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

}  // namespace stp
