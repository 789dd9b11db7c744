#include "datatable/DataTable.h"

#include "datatable/Convert.h"
#include "datatable/DataTables.h"
#include "datatable/Errors.h"
#include "datatable/TextForm.h"
#include "datatable/UpdateScope.h"

namespace stp {

namespace {

// A new property row holds ten empty cells.
constexpr std::u16string_view kNewPropertyRow = u",,,,,,,,,";

}  // namespace

TDataTable::TDataTable(std::u16string AKey, TColumnSet AConvertSet) : FKey(std::move(AKey)), FConvertSet(AConvertSet) {
    // Filled while it has no owner, so that making it notifies nobody.
    FPropertyRow = std::make_unique<TRow>(nullptr);
    FPropertyRow->Init(kNewPropertyRow, kCellSeparator);
    FPropertyRow->FParent = this;
    FPropertyRow->FId = 0;
    FPropertyRow->FIsProp = true;
    FPropertyRow->FDataChanged = false;
    FPropertyRow->owned_ = true;
}

TDataTable::~TDataTable() {
    FPropertyRow.reset();
    DestroyRows();
}

void TDataTable::DestroyRows() {
    for (auto& row : FItems) row.reset();
    FItems.clear();
}

TRow* TDataTable::Items(std::int32_t Index) const {
    CheckListIndex(Index, FItems.size());
    return FItems[static_cast<std::size_t>(Index)].get();
}

std::int32_t TDataTable::PositionOf(const TRow* ARow) const {
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        if (FItems[i].get() == ARow) return static_cast<std::int32_t>(i);
    }
    return -1;
}

std::u16string TDataTable::Name() const { return FPropertyRow->Items(0)->Text(); }

void TDataTable::SetName(std::u16string_view v) { FPropertyRow->Items(0)->SetText(v); }

std::int32_t TDataTable::Value() const { return FPropertyRow->Items(1)->Value(); }

void TDataTable::SetValue(std::int32_t v) { FPropertyRow->Items(1)->SetValue(v); }

void TDataTable::SetFileName(std::u16string_view v) {
    if (v != FFileName) FFileName = v;
}

std::int32_t TDataTable::RowIndex() const {
    if (FRowIndexChanged) {
        FRowIndex = -1;
        for (std::size_t i = 0; i < FItems.size(); ++i) {
            if (FItems[i]->FIsIndex) {
                FRowIndex = static_cast<std::int32_t>(i);
                break;
            }
        }
        FRowIndexChanged = false;
    }
    return FRowIndex;
}

void TDataTable::SetRowIndex(std::int32_t v) {
    if (v == RowIndex()) return;
    if (FRowIndex >= 0 && FRowIndex < ItemCount()) FItems[static_cast<std::size_t>(FRowIndex)]->FIsIndex = false;
    if (v >= 0 && v < ItemCount()) {
        FItems[static_cast<std::size_t>(v)]->FIsIndex = true;
        FRowIndex = v;
    } else {
        FRowIndex = -1;
    }
    DoRowIndexChanged();
}

void TDataTable::DoRowIndexChanged() { RaiseEvent(FOnRowIndexChanged, this, FRowIndex); }

void TDataTable::SetColIndex(std::int32_t v) {
    bool outside = FItems.empty() || v < 0 || v > FItems.front()->ItemCount() - 1;
    FColIndex = outside ? -1 : v;
}

void TDataTable::SetDataChanged(bool v) {
    FDataChanged = v;
    if (v) {
        DoChanged(cmDirect, nullptr, nullptr, -1, -1);
        return;
    }
    FPropertyRow->FDataChanged = false;
    for (auto& row : FItems) row->FDataChanged = false;
}

void TDataTable::EndUpdate(TDataTableChangeMode ChangeMode, TRow* ARow, TCell* ACell, std::int32_t Data1,
                           std::int32_t Data2) {
    if (--FUpdateCount == 0) DoChanged(ChangeMode, ARow, ACell, Data1, Data2);
}

void TDataTable::DoChanged(TDataTableChangeMode ChangeMode, TRow* ARow, TCell* ACell, std::int32_t Data1,
                           std::int32_t Data2) {
    if (FUpdateCount != 0) return;
    FDataChanged = true;
    if (ARow != nullptr && ARow->FIsProp) ChangeMode = cmPropChange;
    if (!FPreventEvent) RaiseEvent(FOnDataChanged, this, ChangeMode, ARow, ACell, Data1, Data2);
    if (FParent != nullptr) FParent->DoChanged(ChangeMode, 1, this, -1);
}

void TDataTable::Init(std::u16string_view sInit) {
    RunInUpdate(
        *this,
        [&] {
            Clear();
            // The empty text stands for one row with one empty cell, not for no rows.
            if (sInit.empty()) {
                auto row = std::make_unique<TRow>(nullptr);
                row->Init(u"", kCellSeparator);
                AddItem(std::move(row));
                return;
            }
            TextFormParts parts = SplitHeader(sInit);
            if (parts.Header) FPropertyRow->Init(*parts.Header, kCellSeparator);
            for (std::u16string_view piece : SplitPieces(parts.Body, kRowSeparator)) {
                auto row = std::make_unique<TRow>(nullptr);
                row->Init(piece, kCellSeparator);
                AddItem(std::move(row));
            }
        },
        [&] { EndUpdate(cmTableInit, nullptr, nullptr, -1, -1); });
}

void TDataTable::Clear() {
    // The current row is forgotten before anyone hears of the clearing, so that no
    // handler can see an index of a destroyed row.
    bool hadRowIndex = FRowIndex != -1;
    FRowIndex = -1;
    if (!FItems.empty()) {
        DestroyRows();
        FNextRowId = 1;
        DoChanged(cmTableClear, nullptr, nullptr, -1, -1);
    }
    if (hadRowIndex) DoRowIndexChanged();
    FInitIndex = 0;
}

TRow* TDataTable::AddItem(TRow* ARow, bool IsCopy) {
    if (ARow == nullptr) throw Error("No row to add to the table");
    if (!IsCopy && ARow->owned_) throw Error("The row already belongs to a table");
    RunInUpdate(
        *this,
        [&] {
            if (IsCopy)
                AddCopy(*ARow);
            else
                Adopt(ARow);
        },
        [&] { EndUpdate(cmRowAdd, FItems.empty() ? nullptr : FItems.back().get(), nullptr, -1, -1); });
    return FItems.back().get();
}

TRow* TDataTable::AddItem(std::unique_ptr<TRow> ARow) {
    // A row some table already holds must not be freed here either.
    TRow* row = ARow.release();
    return AddItem(row, false);
}

void TDataTable::AddCopy(const TRow& ARow) {
    auto row = std::make_unique<TRow>(nullptr);
    row->CopyFrom(ARow);
    FItems.reserve(FItems.size() + 1);
    row->FParent = this;
    row->FId = NewRowId();
    row->owned_ = true;
    FItems.push_back(std::move(row));
}

void TDataTable::Adopt(TRow* ARow) {
    // Room first: once adopted, the row must be in the list.
    FItems.reserve(FItems.size() + 1);
    ARow->FParent = this;
    ARow->FId = NewRowId();
    ARow->owned_ = true;
    FItems.emplace_back(ARow);
}

void TDataTable::CopyFrom(const TDataTable& ADataTable, bool IncludeProp, std::int32_t MaxCount) {
    if (&ADataTable == this) {
        // Clearing first would lose the rows to copy; copy them aside.
        TDataTable copy(FKey, FConvertSet);
        copy.CopyFrom(*this, true, 0);
        CopyFrom(copy, IncludeProp, MaxCount);
        return;
    }
    RunInUpdate(
        *this,
        [&] {
            Clear();
            if (IncludeProp) FPropertyRow->CopyFrom(*ADataTable.FPropertyRow);
            std::int32_t added = 0;
            for (const auto& row : ADataTable.FItems) {
                if (MaxCount > 0 && added == MaxCount) break;
                AddItem(row.get(), true);
                ++added;
            }
        },
        [&] { EndUpdate(cmTableInit, nullptr, nullptr, -1, -1); });
}

std::int32_t TDataTable::IndexOfId(std::int32_t Id) const {
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        if (FItems[i]->FId == Id) return static_cast<std::int32_t>(i);
    }
    return -1;
}

std::int32_t TDataTable::IndexOfText(std::int32_t ColIndex, std::u16string_view Text) const {
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        if (EqualsIgnoringAsciiCase(FItems[i]->Items(ColIndex)->Text(), Text)) return static_cast<std::int32_t>(i);
    }
    return -1;
}

}  // namespace stp
