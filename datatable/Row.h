// An ordered list of cells. A row either belongs to a table, which then converts the
// texts of its conversion set's columns and hears the row's changes, or stands free.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "datatable/Cell.h"
#include "datatable/Persistent.h"
#include "datatable/Types.h"

namespace stp {

class TRow : public TPersistent {
public:
    // AOwner may be null; the row does not enter its list (TDataTable::AddItem does).
    explicit TRow(TDataTable* AOwner = nullptr);
    ~TRow() override;
    TRow(const TRow&) = delete;
    TRow& operator=(const TRow&) = delete;

    const char* ClassName() const override { return "TRow"; }

    TDataTable* Parent() const { return FParent; }
    void SetParent(TDataTable* v) { FParent = v; }
    // A table that refers to the row without owning it; it then stands in for Parent
    // for GetIndex and for change forwarding, but not for the column conversion.
    TDataTable* RefParent() const { return FRefParent; }
    void SetRefParent(TDataTable* v) { FRefParent = v; }
    std::int32_t Tag() const { return FTag; }
    void SetTag(std::int32_t v) { FTag = v; }
    void* Data() const { return FData; }
    void SetData(void* v) { FData = v; }
    void* Data2() const { return FData2; }
    void SetData2(void* v) { FData2 = v; }
    void* Data3() const { return FData3; }
    void SetData3(void* v) { FData3 = v; }
    void* Data4() const { return FData4; }
    void SetData4(void* v) { FData4 = v; }
    // Counted caller object; the row lets go of it when destroyed.
    const std::shared_ptr<void>& IData() const { return FIData; }
    void SetIData(std::shared_ptr<void> v) { FIData = std::move(v); }
    bool DataChanged() const { return FDataChanged; }
    void SetDataChanged(bool v) { FDataChanged = v; }
    const TRowDataChangeEvent& OnDataChanged() const { return FOnDataChanged; }
    void SetOnDataChanged(TRowDataChangeEvent v) { FOnDataChanged = std::move(v); }

    // -1 until a table adds the row, 0 for a property row.
    std::int32_t Id() const { return FId; }
    bool IsProp() const { return FIsProp; }
    bool IsIndex() const { return FIsIndex; }

    std::int32_t ItemCount() const { return static_cast<std::int32_t>(FItems.size()); }
    // Raises EListError outside 0 to ItemCount-1.
    TCell* Items(std::int32_t Index) const;

    // Position in RefParent's row list if set, else in Parent's; -1 otherwise.
    std::int32_t GetIndex() const;

    void BeginUpdate() { ++FUpdateCount; }
    // Notifies with ChangeMode and ACell when the count comes back to exactly 0.
    void EndUpdate(TDataTableChangeMode ChangeMode, TCell* ACell);

    // Replaces all cells by the pieces of sInit split at sSplitChar, kept as they stand
    // (no conversion). The empty text gives one empty cell.
    void Init(std::u16string_view sInit, char16_t sSplitChar);
    void Clear();
    // Appends a cell and writes Value through its Text (or Value), so a row that
    // belongs to a table converts it. Returns the new cell.
    TCell* AddItem(std::u16string_view Value);
    TCell* AddItem(std::int32_t Value);
    // Takes ARow's cell texts as they stand; one empty cell when ARow has none. Id,
    // tag, flags, pointers and event stay this row's own.
    void CopyFrom(const TRow& ARow);

private:
    friend class TCell;
    friend class TDataTable;
    friend class TDataTables;

    void Changed(TDataTableChangeMode ChangeMode, TCell* ACell);
    std::int32_t PositionOf(const TCell* ACell) const;
    TCell* AppendCell(std::u16string_view Stored);
    void DestroyCells();

    TDataTable* FParent;
    TDataTable* FRefParent = nullptr;
    std::vector<std::unique_ptr<TCell>> FItems;
    std::int32_t FId = -1;
    std::int32_t FTag = 0;
    bool FIsProp = false;
    bool FIsIndex = false;
    void* FData = nullptr;
    void* FData2 = nullptr;
    void* FData3 = nullptr;
    void* FData4 = nullptr;
    std::shared_ptr<void> FIData;
    std::int32_t FUpdateCount = 0;
    bool FDataChanged = false;
    TRowDataChangeEvent FOnDataChanged;
    // Set while a table holds the row (as a row or as its property row): handing it to
    // a second owner would destroy it twice.
    bool owned_ = false;
};

}  // namespace stp
