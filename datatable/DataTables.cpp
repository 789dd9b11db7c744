#include "datatable/DataTables.h"

#include "datatable/Errors.h"
#include "datatable/TextForm.h"
#include "datatable/UpdateScope.h"

namespace stp {

TDataTables::TDataTables() {
    FPropertyRow = std::make_unique<TRow>(nullptr);
    FPropertyRow->Init(u",,,,,,,,,", kCellSeparator);
    FPropertyRow->FId = 0;
    FPropertyRow->FIsProp = true;
    FPropertyRow->FDataChanged = false;
    FPropertyRow->owned_ = true;
}

TDataTables::~TDataTables() {
    FPropertyRow.reset();
    DestroyTables();
}

void TDataTables::DestroyTables() {
    for (auto& table : FItems) table.reset();
    FItems.clear();
}

TDataTable* TDataTables::Items(std::int32_t Index) const {
    CheckListIndex(Index, FItems.size());
    return FItems[static_cast<std::size_t>(Index)].get();
}

std::int32_t TDataTables::PositionOf(const TDataTable* ADataTable) const {
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        if (FItems[i].get() == ADataTable) return static_cast<std::int32_t>(i);
    }
    return -1;
}

void TDataTables::SetFileName(std::u16string_view v) {
    if (v != FFileName) FFileName = v;
}

void TDataTables::SetDataChanged(bool v) {
    FDataChanged = v;
    if (v) {
        DoChanged(cmDirect, -1, nullptr, -1);
        return;
    }
    FPropertyRow->FDataChanged = false;
    for (auto& table : FItems) table->SetDataChanged(false);
}

void TDataTables::EndUpdate(TDataTableChangeMode ChangeMode, std::int32_t TCount, TDataTable* ADataTable,
                            std::int32_t TIndex) {
    if (--FUpdateCount == 0) DoChanged(ChangeMode, TCount, ADataTable, TIndex);
}

void TDataTables::DoChanged(TDataTableChangeMode ChangeMode, std::int32_t TCount, TDataTable* ADataTable,
                            std::int32_t Index) {
    if (FUpdateCount != 0) return;
    FDataChanged = true;
    if (!FOnDataChanged) return;
    if (ADataTable != nullptr && Index == -1) {
        Index = ADataTable->FParent != nullptr ? ADataTable->FParent->PositionOf(ADataTable) : -1;
    }
    RaiseEvent(FOnDataChanged, this, ChangeMode, TCount, ADataTable, Index);
}

TDataTable* TDataTables::AddItem(TDataTable* ADataTable, bool IsCopy) {
    if (ADataTable == nullptr) throw Error("No table to add to the list");
    if (!IsCopy && ADataTable->owned_) throw Error("The table already belongs to a list");
    RunInUpdate(
        *this,
        [&] {
            if (IsCopy)
                AddCopy(*ADataTable);
            else
                Adopt(ADataTable);
        },
        [&] {
            TDataTable* last = FItems.empty() ? nullptr : FItems.back().get();
            EndUpdate(cmTableAdd, 1, last, ItemCount() - 1);
        });
    return FItems.back().get();
}

TDataTable* TDataTables::AddItem(std::unique_ptr<TDataTable> ADataTable) {
    // A table some list already holds must not be freed here either.
    TDataTable* table = ADataTable.release();
    return AddItem(table, false);
}

void TDataTables::AddCopy(const TDataTable& ADataTable) {
    auto table = std::make_unique<TDataTable>(u"", TColumnSet{});
    table->FParent = this;
    table->CopyFrom(ADataTable, false, 0);
    FItems.reserve(FItems.size() + 1);
    table->owned_ = true;
    FItems.push_back(std::move(table));
}

void TDataTables::Adopt(TDataTable* ADataTable) {
    // Room first: once adopted, the table must be in the list.
    FItems.reserve(FItems.size() + 1);
    ADataTable->FParent = this;
    ADataTable->owned_ = true;
    FItems.emplace_back(ADataTable);
}

void TDataTables::Clear() {
    if (FItems.empty()) return;
    DestroyTables();
    DoChanged(cmTablesClear, -1, nullptr, -1);
}

void TDataTables::CopyFrom(const TDataTables& ADataTables, std::int32_t MaxCount) {
    if (&ADataTables == this) {
        // Clearing first would lose the tables to copy; copy them aside.
        TDataTables copy;
        copy.CopyFrom(*this, 0);
        CopyFrom(copy, MaxCount);
        return;
    }
    RunInUpdate(
        *this,
        [&] {
            Clear();
            std::int32_t added = 0;
            for (const auto& table : ADataTables.FItems) {
                if (MaxCount > 0 && added == MaxCount) break;
                AddItem(table.get(), true);
                ++added;
            }
        },
        [&] { EndUpdate(cmTablesInit, -1, nullptr, -1); });
}

void TDataTables::Assign(const TPersistent* Source) {
    const auto* source = dynamic_cast<const TDataTables*>(Source);
    if (source == nullptr) {
        TPersistent::Assign(Source);
        return;
    }
    RunInUpdate(
        *this,
        [&] {
            CopyFrom(*source, 0);
            FPropertyRow->CopyFrom(*source->FPropertyRow);
            FTag = source->FTag;
        },
        [&] { EndUpdate(cmTablesInit, -1, nullptr, -1); });
}

}  // namespace stp
