// Types shared by cells, rows, tables and lists of tables: change kinds, column sets
// and the change events.
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <initializer_list>

namespace stp {

class TObject;
class TCell;
class TRow;
class TDataTable;
class TDataTables;

// Kind of a change notification. Kinds that belong to operations this library does
// not offer keep their ordinals so that stored values stay comparable.
enum TDataTableChangeMode : std::uint8_t {
    cmNoTrigger,
    cmLoad,
    cmSort,
    cmDirect,
    cmPropChange,
    cmCellAdd,
    cmCellEdit,
    cmCellDeleted,
    cmCellMove,
    cmRowInit,
    cmRowClear,
    cmRowAdd,
    cmRowBatchAdd,
    cmRowDeleted,
    cmRowBatchDeleted,
    cmRowMove,
    cmTableInit,
    cmTableClear,
    cmTableAdd,
    cmTableDeleted,
    cmTableMove,
    cmTablesInit,
    cmTablesClear,
};

// Order of the library's sort operations, which this system does not use.
enum TSortMode : std::uint8_t { smText, smValueInc, smValueDec, smCustom };

// A set of column indexes 0 to 103; later columns can never be members.
constexpr int kColumnSetSize = 104;
using TColumnSet = std::bitset<kColumnSetSize>;

// Builds a column set; indexes outside 0 to 103 are left out.
TColumnSet MakeColumnSet(std::initializer_list<int> Columns);

// True when Column lies in 0 to 103 and is a member of Set.
bool InColumnSet(const TColumnSet& Set, int Column);

using TRowDataChangeEvent = std::function<void(TRow* Sender, TDataTableChangeMode ChangeMode, TCell* ACell)>;
using TDataTableDataChangeEvent = std::function<void(TDataTable* Sender, TDataTableChangeMode ChangeMode, TRow* ARow,
                                                     TCell* ACell, std::int32_t Data1, std::int32_t Data2)>;
using TDataTablesDataChangeEvent = std::function<void(TDataTables* Sender, TDataTableChangeMode ChangeMode,
                                                      std::int32_t TCount, TDataTable* ADataTable, std::int32_t Index)>;
using TRowDeletingEvent = std::function<void(bool& IsDelete, TDataTable* Sender, TRow* ARow, std::int32_t Index)>;
using TRowIndexChangeEvent = std::function<void(TObject* Sender, std::int32_t NewIndex)>;
using TTableDeletingEvent =
    std::function<void(bool& IsDelete, TDataTables* Sender, TDataTable* ADataTable, std::int32_t Index)>;

// Raises EListError "List index out of bounds (Index)" unless 0 <= Index < Count.
void CheckListIndex(std::int32_t Index, std::size_t Count);

}  // namespace stp
