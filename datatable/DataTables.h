// An owning list of tables with a property row of its own. Changes of its tables
// reach its OnDataChanged.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "datatable/DataTable.h"
#include "datatable/Persistent.h"
#include "datatable/Row.h"
#include "datatable/Types.h"

namespace stp {

class TDataTables : public TPersistent {
public:
    // No tables; a property row of ten empty cells, like a table's.
    TDataTables();
    ~TDataTables() override;
    TDataTables(const TDataTables&) = delete;
    TDataTables& operator=(const TDataTables&) = delete;

    const char* ClassName() const override { return "TDataTables"; }

    std::int32_t Tag() const { return FTag; }
    void SetTag(std::int32_t v) { FTag = v; }
    bool IsEncrypt() const { return FIsEncrypt; }
    void SetIsEncrypt(bool v) { FIsEncrypt = v; }
    const TDataTablesDataChangeEvent& OnDataChanged() const { return FOnDataChanged; }
    void SetOnDataChanged(TDataTablesDataChangeEvent v) { FOnDataChanged = std::move(v); }
    const TTableDeletingEvent& OnTableDeleting() const { return FOnTableDeleting; }
    void SetOnTableDeleting(TTableDeletingEvent v) { FOnTableDeleting = std::move(v); }

    std::int32_t ItemCount() const { return static_cast<std::int32_t>(FItems.size()); }
    // Raises EListError outside 0 to ItemCount-1.
    TDataTable* Items(std::int32_t Index) const;
    TRow* PropertyRow() const { return FPropertyRow.get(); }

    const std::u16string& FileName() const { return FFileName; }
    void SetFileName(std::u16string_view v);

    bool DataChanged() const { return FDataChanged; }
    // True notifies with cmDirect; false also clears the flag of every table.
    void SetDataChanged(bool v);

    void BeginUpdate() { ++FUpdateCount; }
    // Notifies with the given arguments when the count comes back to exactly 0.
    void EndUpdate(TDataTableChangeMode ChangeMode, std::int32_t TCount, TDataTable* ADataTable, std::int32_t TIndex);

    // With IsCopy false the list takes ADataTable over; with IsCopy true it appends a
    // copy of its rows (empty key and conversion set, no property row). Returns the
    // appended table. Raises Error for a null table, or, without copying, for a table
    // another list already holds.
    TDataTable* AddItem(TDataTable* ADataTable, bool IsCopy);
    TDataTable* AddItem(std::unique_ptr<TDataTable> ADataTable);
    void Clear();
    // Takes a TDataTables' tables, property row and tag; any other source raises
    // EAssignError.
    void Assign(const TPersistent* Source) override;
    // Replaces the tables by copies of ADataTables' (the first MaxCount when > 0).
    void CopyFrom(const TDataTables& ADataTables, std::int32_t MaxCount);

private:
    friend class TDataTable;

    void DoChanged(TDataTableChangeMode ChangeMode, std::int32_t TCount, TDataTable* ADataTable, std::int32_t Index);
    std::int32_t PositionOf(const TDataTable* ADataTable) const;
    void AddCopy(const TDataTable& ADataTable);
    void Adopt(TDataTable* ADataTable);
    void DestroyTables();

    std::vector<std::unique_ptr<TDataTable>> FItems;
    std::u16string FFileName;
    bool FIsEncrypt = false;
    std::int32_t FTag = 0;
    std::unique_ptr<TRow> FPropertyRow;
    bool FDataChanged = false;
    std::int32_t FUpdateCount = 0;
    TDataTablesDataChangeEvent FOnDataChanged;
    TTableDeletingEvent FOnTableDeleting;
};

}  // namespace stp
