// A table: an ordered list of rows it owns, plus a property row holding the table's
// name, its value and the header cells of its text form.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "datatable/Persistent.h"
#include "datatable/Row.h"
#include "datatable/Types.h"

namespace stp {

class TDataTable : public TPersistent {
public:
    // AKey is only stored. Cell texts in the columns of AConvertSet are kept in stored
    // form, so that a comma or a vertical bar survives the text form.
    TDataTable(std::u16string AKey, TColumnSet AConvertSet);
    ~TDataTable() override;
    TDataTable(const TDataTable&) = delete;
    TDataTable& operator=(const TDataTable&) = delete;

    const char* ClassName() const override { return "TDataTable"; }

    TDataTables* Parent() const { return FParent; }
    void SetParent(TDataTables* v) { FParent = v; }
    void* Data() const { return FData; }
    void SetData(void* v) { FData = v; }
    void* Data2() const { return FData2; }
    void SetData2(void* v) { FData2 = v; }
    void* Data3() const { return FData3; }
    void SetData3(void* v) { FData3 = v; }
    std::int32_t Tag() const { return FTag; }
    void SetTag(std::int32_t v) { FTag = v; }
    // Bit 0 set keeps tab, LF and CR in converted columns.
    std::int32_t IOMode() const { return FIOMode; }
    void SetIOMode(std::int32_t v) { FIOMode = v; }
    const std::u16string& Key() const { return FKey; }
    void SetKey(std::u16string v) { FKey = std::move(v); }
    const std::u16string& KeyCustom() const { return FKeyCustom; }
    void SetKeyCustom(std::u16string v) { FKeyCustom = std::move(v); }
    bool IsAddVerifyCode() const { return FIsAddVerifyCode; }
    void SetIsAddVerifyCode(bool v) { FIsAddVerifyCode = v; }
    // While true the table's own OnDataChanged stays silent; the rest of a
    // notification (flag, parent list) still happens.
    bool PreventEvent() const { return FPreventEvent; }
    void SetPreventEvent(bool v) { FPreventEvent = v; }
    const TDataTableDataChangeEvent& OnDataChanged() const { return FOnDataChanged; }
    void SetOnDataChanged(TDataTableDataChangeEvent v) { FOnDataChanged = std::move(v); }
    const TRowDeletingEvent& OnRowDeleting() const { return FOnRowDeleting; }
    void SetOnRowDeleting(TRowDeletingEvent v) { FOnRowDeleting = std::move(v); }
    const TRowIndexChangeEvent& OnRowIndexChanged() const { return FOnRowIndexChanged; }
    void SetOnRowIndexChanged(TRowIndexChangeEvent v) { FOnRowIndexChanged = std::move(v); }

    const TColumnSet& ConvertSet() const { return FConvertSet; }
    // Converted columns that keep tab, LF and CR; empty on a new table.
    const TColumnSet& ReserveLFSet() const { return FReserveLFSet; }
    void SetReserveLFSet(const TColumnSet& v) { FReserveLFSet = v; }

    std::int32_t ItemCount() const { return static_cast<std::int32_t>(FItems.size()); }
    // Raises EListError outside 0 to ItemCount-1.
    TRow* Items(std::int32_t Index) const;
    TRow* PropertyRow() const { return FPropertyRow.get(); }
    std::int32_t PropCount() const { return FPropertyRow->ItemCount(); }

    // Text of property-row cell 0 and Value of cell 1; EListError when missing.
    std::u16string Name() const;
    void SetName(std::u16string_view v);
    std::int32_t Value() const;
    void SetValue(std::int32_t v);

    const std::u16string& FileName() const { return FFileName; }
    void SetFileName(std::u16string_view v);

    // Current row, -1 for none. Writing an index outside the rows sets -1.
    std::int32_t RowIndex() const;
    void SetRowIndex(std::int32_t v);
    // Current column, -1 for none; a write outside row 0's cells sets -1.
    std::int32_t ColIndex() const { return FColIndex; }
    void SetColIndex(std::int32_t v);

    bool DataChanged() const { return FDataChanged; }
    // True notifies with cmDirect; false also clears the flag of every row.
    void SetDataChanged(bool v);
    bool InBatch() const { return FInBatch; }

    void BeginUpdate() { ++FUpdateCount; }
    // Notifies with the given arguments when the count comes back to exactly 0.
    void EndUpdate(TDataTableChangeMode ChangeMode, TRow* ARow, TCell* ACell, std::int32_t Data1, std::int32_t Data2);

    // Replaces the rows (and, when sInit has a header, the property row's cells) by
    // those of the text form; raises one cmTableInit.
    void Init(std::u16string_view sInit);
    // Destroys the rows; ids start again at 1. The property row stays.
    void Clear();
    // With IsCopy false the table takes ARow over (the caller must not free it) and
    // gives it the next id; with IsCopy true it appends a copy and ARow stays the
    // caller's. Returns the appended row. Raises Error for a null row, or, without
    // copying, for a row another table already holds.
    TRow* AddItem(TRow* ARow, bool IsCopy);
    // Hands a free-standing row over; the same as AddItem(row, false).
    TRow* AddItem(std::unique_ptr<TRow> ARow);
    // Replaces the rows by copies of ADataTable's (the first MaxCount when MaxCount > 0),
    // with new ids; the property row too when IncludeProp.
    void CopyFrom(const TDataTable& ADataTable, bool IncludeProp, std::int32_t MaxCount);

    // First row with the id, or -1.
    std::int32_t IndexOfId(std::int32_t Id) const;
    // First row whose cell ColIndex reads as Text, ASCII letters compared without case;
    // -1 if none. A row without that cell raises EListError.
    std::int32_t IndexOfText(std::int32_t ColIndex, std::u16string_view Text) const;

private:
    friend class TRow;
    friend class TDataTables;

    void DoChanged(TDataTableChangeMode ChangeMode, TRow* ARow, TCell* ACell, std::int32_t Data1, std::int32_t Data2);
    void DoRowIndexChanged();
    std::int32_t NewRowId() { return FNextRowId++; }
    std::int32_t PositionOf(const TRow* ARow) const;
    void AddCopy(const TRow& ARow);
    void Adopt(TRow* ARow);
    void DestroyRows();

    TDataTables* FParent = nullptr;
    void* FData = nullptr;
    void* FData2 = nullptr;
    void* FData3 = nullptr;
    std::vector<std::unique_ptr<TRow>> FItems;
    std::u16string FFileName;
    std::int32_t FNextRowId = 1;
    std::int32_t FTag = 0;
    std::unique_ptr<TRow> FPropertyRow;
    std::int32_t FUpdateCount = 0;
    bool FDataChanged = false;
    // Stale mark of FRowIndex: when set, reading RowIndex looks for the row marked
    // IsIndex. No operation sets it.
    mutable bool FRowIndexChanged = false;
    mutable std::int32_t FRowIndex = -1;
    std::int32_t FColIndex = -1;
    std::int32_t FIOMode = 2;
    std::u16string FKey;
    std::u16string FKeyCustom;
    bool FIsAddVerifyCode = false;
    TColumnSet FConvertSet;
    TColumnSet FReserveLFSet;
    std::int32_t FInitIndex = 0;
    bool FInBatch = false;
    bool FPreventEvent = false;
    TRowIndexChangeEvent FOnRowIndexChanged;
    TDataTableDataChangeEvent FOnDataChanged;
    TRowDeletingEvent FOnRowDeleting;
    // Set while a list of tables holds the table: a second owner would destroy it twice.
    bool owned_ = false;
};

}  // namespace stp
