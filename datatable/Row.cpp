#include "datatable/Row.h"

#include "datatable/DataTable.h"
#include "datatable/TextForm.h"
#include "datatable/UpdateScope.h"

namespace stp {

TRow::TRow(TDataTable* AOwner) : FParent(AOwner) {}

TRow::~TRow() {
    DestroyCells();
    FIData.reset();
    FData = FData2 = FData3 = FData4 = nullptr;
}

void TRow::DestroyCells() {
    for (auto& cell : FItems) cell.reset();
    FItems.clear();
}

TCell* TRow::Items(std::int32_t Index) const {
    CheckListIndex(Index, FItems.size());
    return FItems[static_cast<std::size_t>(Index)].get();
}

std::int32_t TRow::GetIndex() const {
    const TDataTable* table = FRefParent != nullptr ? FRefParent : FParent;
    return table != nullptr ? table->PositionOf(this) : -1;
}

std::int32_t TRow::PositionOf(const TCell* ACell) const {
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        if (FItems[i].get() == ACell) return static_cast<std::int32_t>(i);
    }
    return -1;
}

void TRow::EndUpdate(TDataTableChangeMode ChangeMode, TCell* ACell) {
    // A count driven below 0 by an unmatched EndUpdate keeps dropping notifications
    // until balanced again.
    if (--FUpdateCount == 0) Changed(ChangeMode, ACell);
}

void TRow::Changed(TDataTableChangeMode ChangeMode, TCell* ACell) {
    if (FUpdateCount != 0) return;
    FDataChanged = true;
    RaiseEvent(FOnDataChanged, this, ChangeMode, ACell);
    if (FRefParent != nullptr) {
        FRefParent->DoChanged(ChangeMode, this, ACell, -1, -1);
    } else if (FParent != nullptr) {
        FParent->DoChanged(ChangeMode, this, ACell, -1, -1);
    }
}

TCell* TRow::AppendCell(std::u16string_view Stored) {
    FItems.push_back(std::make_unique<TCell>(this));
    FItems.back()->FText = Stored;
    return FItems.back().get();
}

void TRow::Init(std::u16string_view sInit, char16_t sSplitChar) {
    RunInUpdate(
        *this,
        [&] {
            Clear();
            if (sInit.empty()) {
                AppendCell(u"");
                return;
            }
            for (std::u16string_view piece : SplitPieces(sInit, sSplitChar)) AppendCell(piece);
        },
        [&] { EndUpdate(cmRowInit, nullptr); });
}

void TRow::Clear() {
    if (FItems.empty()) return;
    DestroyCells();
    Changed(cmRowClear, nullptr);
}

TCell* TRow::AddItem(std::u16string_view Value) {
    TCell* cell = nullptr;
    RunInUpdate(
        *this,
        [&] {
            // The cell enters the list first: its column decides the conversion.
            cell = AppendCell(u"");
            cell->SetText(Value);
        },
        [&] { EndUpdate(cmCellAdd, FItems.empty() ? nullptr : FItems.back().get()); });
    return cell;
}

TCell* TRow::AddItem(std::int32_t Value) {
    TCell* cell = nullptr;
    RunInUpdate(
        *this,
        [&] {
            cell = AppendCell(u"");
            cell->SetValue(Value);
        },
        [&] { EndUpdate(cmCellAdd, FItems.empty() ? nullptr : FItems.back().get()); });
    return cell;
}

void TRow::CopyFrom(const TRow& ARow) {
    // Taken before re-initialising, so that a row copied from itself keeps its texts.
    std::vector<std::u16string> texts;
    texts.reserve(ARow.FItems.size());
    for (const auto& cell : ARow.FItems) texts.push_back(cell->FText);
    RunInUpdate(
        *this,
        [&] {
            std::size_t count = texts.empty() ? 1 : texts.size();
            Init(std::u16string(count - 1, kCellSeparator), kCellSeparator);
            for (std::size_t i = 0; i < texts.size(); ++i) FItems[i]->FText = texts[i];
        },
        [&] { EndUpdate(cmRowInit, nullptr); });
}

}  // namespace stp
