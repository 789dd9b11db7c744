#include "datatable/Cell.h"

#include "datatable/Convert.h"
#include "datatable/DataTable.h"
#include "datatable/Errors.h"
#include "datatable/Row.h"
#include "datatable/Text.h"
#include "datatable/TextForm.h"

namespace stp {

TCell::TCell(TRow* AOwner) : FParent(AOwner) {}

TCell::~TCell() = default;

std::int32_t TCell::GetIndex() const { return FParent != nullptr ? FParent->PositionOf(this) : -1; }

const TDataTable* TCell::ConvertingTable(std::int32_t& Column) const {
    // Only the owning table converts; a table that merely refers to the row does not.
    const TDataTable* table = FParent != nullptr ? FParent->Parent() : nullptr;
    if (table == nullptr) return nullptr;
    Column = GetIndex();
    return InColumnSet(table->ConvertSet(), Column) ? table : nullptr;
}

std::u16string TCell::Text() const {
    std::int32_t column = -1;
    if (FText.empty() || ConvertingTable(column) == nullptr) return FText;
    return ToRestoredForm(FText);
}

void TCell::SetText(std::u16string_view v) {
    if (v == FText) return;
    std::int32_t column = -1;
    const TDataTable* table = v.empty() ? nullptr : ConvertingTable(column);
    if (table == nullptr) {
        Store(std::u16string(v));
        return;
    }
    bool keepLineBreaks = InColumnSet(table->ReserveLFSet(), column) || (table->IOMode() & 1) != 0;
    Store(ToStoredForm(v, keepLineBreaks));
}

void TCell::Store(std::u16string Stored) {
    if (Stored == FText) return;
    FText = std::move(Stored);
    if (FParent != nullptr) FParent->Changed(cmCellEdit, this);
}

std::int32_t TCell::Value() const {
    if (FText.empty()) return 0;
    if (auto n = ParseInteger(FText)) return *n;
    throw EConvertError("''" + ToUtf8(FText) + "'' is not a valid integer value");
}

void TCell::SetValue(std::int32_t n) { Store(IntegerToText(n)); }

bool TCell::AsBool() const {
    if (FText.empty()) return false;
    if (auto b = ParseBoolean(FText)) return *b;
    throw EConvertError("'" + ToUtf8(FText) + "' is not a valid boolean value");
}

void TCell::SetAsBool(bool b) { Store(b ? u"-1" : u"0"); }

}  // namespace stp
