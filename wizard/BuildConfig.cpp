#include "wizard/BuildConfig.h"

#include "datatable/Convert.h"
#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "ui/Resources.h"

namespace stp {

std::u16string BuildConfigString(BuildString Id) { return LoadResString(Id); }

bool ReadFreewareFlag(std::u16string_view Text) {
    if (const std::optional<bool> value = ParseBoolean(Text); value && !Text.empty()) return *value;
    throw EConvertError("'" + ToUtf8(Text) + "' is not a valid boolean value");
}

int ConfiguredLanguageMode() { return BuildConfigString(bsTextMode) == u"2" ? 2 : 0; }

}  // namespace stp
