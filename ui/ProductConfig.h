// The product's settings as the running installer or uninstaller carries them in its
// string table (product/ProductTable.h names the entries).
#pragma once

#include <string>

#include "product/ProductTable.h"

namespace stp {

// The setting's string-table entry in the resource module; empty when missing.
std::u16string ProductString(Setting Id);

// The setting's value: its entry, or the table's default when the entry is missing or
// empty (a product that does not give an extension setting).
std::u16string ProductValue(Setting Id);

// The display name of text set Mode (0 Chinese, else English).
std::u16string ProductDisplayName(int Mode);

// A yes/no setting's value.
bool ProductFlag(Setting Id);

// The text mode the product selects: 2 when TextMode reads "2", for "auto" 0 where the
// user's display language is Chinese and 2 elsewhere, else 0.
int ConfiguredLanguageMode();

// The text of a file-valued setting (an agreement) the installer carries, as UTF-16;
// empty when the product gives none.
std::u16string ProductFileText(Setting Id);

}  // namespace stp
