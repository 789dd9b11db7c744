// Helpers shared by the table tests: reading a table back as texts and recording the
// notifications of rows, tables and lists.
#pragma once

#include <string>
#include <vector>

#include "datatable/DataTable.h"
#include "datatable/DataTables.h"
#include "datatable/Row.h"

namespace stp::test {

using Cells = std::vector<std::u16string>;
using Grid = std::vector<Cells>;

inline Cells CellsOf(const TRow& row) {
    Cells cells;
    for (int i = 0; i < row.ItemCount(); ++i) cells.push_back(row.Items(i)->Text());
    return cells;
}

inline Grid GridOf(const TDataTable& table) {
    Grid grid;
    for (int i = 0; i < table.ItemCount(); ++i) grid.push_back(CellsOf(*table.Items(i)));
    return grid;
}

// A free-standing row holding the given texts.
inline std::unique_ptr<TRow> MakeRow(const Cells& cells) {
    auto row = std::make_unique<TRow>(nullptr);
    for (const auto& text : cells) row->AddItem(text);
    return row;
}

struct TableEvent {
    TDataTableChangeMode Mode;
    TRow* Row;
    TCell* Cell;
};

struct ListEvent {
    TDataTableChangeMode Mode;
    int TCount;
    TDataTable* Table;
    int Index;
};

struct RowEvent {
    TDataTableChangeMode Mode;
    TCell* Cell;
};

inline void Record(TDataTable& table, std::vector<TableEvent>& events) {
    table.SetOnDataChanged([&events](TDataTable*, TDataTableChangeMode mode, TRow* row, TCell* cell, int, int) {
        events.push_back({mode, row, cell});
    });
}

inline void Record(TDataTables& list, std::vector<ListEvent>& events) {
    list.SetOnDataChanged([&events](TDataTables*, TDataTableChangeMode mode, int count, TDataTable* table, int index) {
        events.push_back({mode, count, table, index});
    });
}

inline void Record(TRow& row, std::vector<RowEvent>& events) {
    row.SetOnDataChanged([&events](TRow*, TDataTableChangeMode mode, TCell* cell) { events.push_back({mode, cell}); });
}

}  // namespace stp::test
