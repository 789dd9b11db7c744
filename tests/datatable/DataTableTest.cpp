// Table model: rows, ids, current row and column, searching and notifications.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "datatable/Errors.h"

namespace stp {
namespace {

using test::Cells;
using test::Grid;
using test::GridOf;
using test::MakeRow;
using test::Record;
using test::TableEvent;

TEST(DataTable, NewTableDefaults) {
    TDataTable table(u"key", MakeColumnSet({1}));
    EXPECT_EQ(table.ItemCount(), 0);
    EXPECT_EQ(table.PropCount(), 10);
    EXPECT_EQ(table.Name(), u"");
    EXPECT_EQ(table.Value(), 0);
    EXPECT_EQ(table.RowIndex(), -1);
    EXPECT_EQ(table.ColIndex(), -1);
    EXPECT_EQ(table.IOMode(), 2);
    EXPECT_EQ(table.Key(), u"key");
    EXPECT_EQ(table.ConvertSet(), MakeColumnSet({1}));
    EXPECT_TRUE(table.ReserveLFSet().none());
    EXPECT_FALSE(table.DataChanged());
    EXPECT_FALSE(table.InBatch());
    TRow* prop = table.PropertyRow();
    EXPECT_EQ(prop->Id(), 0);
    EXPECT_TRUE(prop->IsProp());
    EXPECT_EQ(prop->Parent(), &table);
    EXPECT_FALSE(prop->DataChanged());
}

TEST(DataTable, RowIdsCountFromOneAndRestartAfterClear) {
    TDataTable table(u"", {});
    for (int i = 0; i < 3; ++i) table.AddItem(MakeRow({u"r"}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(table.Items(i)->Id(), i + 1);
        EXPECT_EQ(table.Items(i)->GetIndex(), i);
        EXPECT_EQ(table.Items(i)->Parent(), &table);
    }
    EXPECT_EQ(table.IndexOfId(2), 1);
    EXPECT_EQ(table.IndexOfId(4), -1);

    table.Clear();
    EXPECT_EQ(table.ItemCount(), 0);
    EXPECT_EQ(table.AddItem(MakeRow({u"r"}))->Id(), 1);
}

TEST(DataTable, AddItemHandsOverOrCopies) {
    TDataTable table(u"", {});
    // The callers build a row with new and hand it over; the table frees it.
    TRow* raw = new TRow(nullptr);
    raw->AddItem(u"x");
    EXPECT_EQ(table.AddItem(raw, false), raw);
    EXPECT_EQ(raw->Parent(), &table);

    TRow empty;
    TRow* copy = table.AddItem(&empty, true);
    EXPECT_NE(copy, &empty);
    EXPECT_EQ(copy->ItemCount(), 1);
    EXPECT_EQ(copy->Items(0)->Text(), u"");
    EXPECT_EQ(copy->Id(), 2);
    EXPECT_EQ(empty.Id(), -1);
    EXPECT_EQ(empty.Parent(), nullptr);
    EXPECT_EQ(empty.ItemCount(), 0);
}

TEST(DataTable, AddItemRefusesARowThatCannotBeTakenOver) {
    TDataTable table(u"", {});
    TDataTable other(u"", {});
    TRow* held = table.AddItem(MakeRow({u"a"}));
    std::vector<TableEvent> events;
    Record(other, events);

    // A second owner would destroy the row twice.
    EXPECT_THROW(other.AddItem(held, false), Error);
    EXPECT_THROW(table.AddItem(held, false), Error);
    EXPECT_THROW(other.AddItem(table.PropertyRow(), false), Error);
    EXPECT_THROW(other.AddItem(std::unique_ptr<TRow>(held)), Error);
    EXPECT_THROW(other.AddItem(nullptr, false), Error);
    EXPECT_THROW(other.AddItem(nullptr, true), Error);
    EXPECT_EQ(other.ItemCount(), 0);
    EXPECT_TRUE(events.empty());

    // The refused row is still the first table's, and copying it is fine.
    EXPECT_EQ(held->Items(0)->Text(), u"a");
    EXPECT_EQ(table.ItemCount(), 1);
    other.AddItem(held, true);
    EXPECT_EQ(GridOf(other), (Grid{{u"a"}}));
}

TEST(DataTable, ClearNotifiesOnlyWhenRowsGo) {
    TDataTable table(u"", {});
    std::vector<TableEvent> events;
    Record(table, events);
    table.Clear();
    EXPECT_TRUE(events.empty());

    table.AddItem(MakeRow({u"a"}));
    table.AddItem(MakeRow({u"b"}));
    table.SetName(u"kept");
    events.clear();
    table.Clear();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Mode, cmTableClear);
    EXPECT_EQ(table.Name(), u"kept");
}

TEST(DataTable, ClearResetsTheCurrentRow) {
    TDataTable table(u"", {});
    table.AddItem(MakeRow({u"a"}));
    table.AddItem(MakeRow({u"b"}));
    table.SetRowIndex(1);
    std::vector<int> indexes;
    int rowIndexSeenByClearHandler = 99;
    table.SetOnRowIndexChanged([&](TObject* sender, int index) {
        EXPECT_EQ(sender, &table);
        indexes.push_back(index);
    });
    table.SetOnDataChanged([&](TDataTable* t, TDataTableChangeMode, TRow*, TCell*, int, int) {
        rowIndexSeenByClearHandler = t->RowIndex();
    });
    table.Clear();
    EXPECT_EQ(indexes, std::vector<int>{-1});
    EXPECT_EQ(table.RowIndex(), -1);
    EXPECT_EQ(rowIndexSeenByClearHandler, -1);  // never an index of a destroyed row
}

TEST(DataTable, RowIndexMarksOneRowAndReportsChanges) {
    TDataTable table(u"", {});
    for (int i = 0; i < 3; ++i) table.AddItem(MakeRow({u"r"}));
    std::vector<int> indexes;
    table.SetOnRowIndexChanged([&](TObject*, int index) { indexes.push_back(index); });

    table.SetRowIndex(-1);  // the current value: nothing
    table.SetRowIndex(1);
    table.SetRowIndex(1);
    table.SetRowIndex(2);
    EXPECT_FALSE(table.Items(1)->IsIndex());
    EXPECT_TRUE(table.Items(2)->IsIndex());
    table.SetRowIndex(7);  // outside: none
    EXPECT_FALSE(table.Items(2)->IsIndex());
    table.SetRowIndex(-1);  // equals the current -1: nothing
    table.SetRowIndex(9);   // differs from -1, lands on -1 again and still reports
    EXPECT_EQ(indexes, (std::vector<int>{1, 2, -1, -1}));
    EXPECT_EQ(table.RowIndex(), -1);
}

TEST(DataTable, ColIndexMustLieInRowZero) {
    TDataTable table(u"", {});
    table.SetColIndex(0);
    EXPECT_EQ(table.ColIndex(), -1);  // no rows
    table.AddItem(MakeRow({u"a", u"b"}));
    table.AddItem(MakeRow({u"a", u"b", u"c"}));
    const std::pair<int, int> cases[] = {{1, 1}, {0, 0}, {2, -1}, {-3, -1}};
    for (auto [written, expected] : cases) {
        table.SetColIndex(written);
        EXPECT_EQ(table.ColIndex(), expected) << written;
    }
}

TEST(DataTable, RowChangesReachTheTable) {
    TDataTable table(u"", {});
    TRow* row = table.AddItem(MakeRow({u"a"}));
    std::vector<TableEvent> events;
    Record(table, events);
    TCell* added = row->AddItem(u"b");
    row->Items(0)->SetValue(3);
    table.SetName(u"files");
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].Mode, cmCellAdd);
    EXPECT_EQ(events[0].Row, row);
    EXPECT_EQ(events[0].Cell, added);
    EXPECT_EQ(events[1].Mode, cmCellEdit);
    EXPECT_EQ(events[2].Mode, cmPropChange);
    EXPECT_EQ(events[2].Row, table.PropertyRow());
}

TEST(DataTable, UpdateCountingFoldsAddsIntoOneNotification) {
    TDataTable table(u"", {});
    std::vector<TableEvent> events;
    Record(table, events);
    table.BeginUpdate();
    for (int i = 0; i < 3; ++i) table.AddItem(MakeRow({u"r"}));
    EXPECT_FALSE(table.DataChanged());
    table.EndUpdate(cmLoad, nullptr, nullptr, -1, -1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Mode, cmLoad);
    EXPECT_TRUE(table.DataChanged());

    // A stray EndUpdate silences the table until a BeginUpdate balances it.
    events.clear();
    table.EndUpdate(cmLoad, nullptr, nullptr, -1, -1);
    table.AddItem(MakeRow({u"r"}));
    EXPECT_TRUE(events.empty());
    table.BeginUpdate();
    table.AddItem(MakeRow({u"r"}));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Mode, cmRowAdd);
    EXPECT_EQ(events[0].Row, table.Items(4));
}

TEST(DataTable, AnOpenTableUpdateDoesNotSilenceItsRows) {
    TDataTable table(u"", {});
    TRow* row = table.AddItem(MakeRow({u"a"}));
    std::vector<test::RowEvent> rowEvents;
    Record(*row, rowEvents);
    row->SetDataChanged(false);
    table.BeginUpdate();
    row->Items(0)->SetText(u"b");
    EXPECT_EQ(rowEvents.size(), 1u);
    EXPECT_TRUE(row->DataChanged());
    table.EndUpdate(cmLoad, nullptr, nullptr, -1, -1);
}

TEST(DataTable, DataChangedFlag) {
    TDataTable table(u"", {});
    TRow* row = table.AddItem(MakeRow({u"a"}));
    std::vector<TableEvent> events;
    Record(table, events);
    table.SetName(u"n");
    EXPECT_TRUE(table.PropertyRow()->DataChanged());
    EXPECT_TRUE(row->DataChanged());
    events.clear();

    table.SetDataChanged(false);
    EXPECT_FALSE(table.DataChanged());
    EXPECT_FALSE(row->DataChanged());
    EXPECT_FALSE(table.PropertyRow()->DataChanged());
    EXPECT_TRUE(events.empty());

    table.SetDataChanged(true);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Mode, cmDirect);
    EXPECT_EQ(events[0].Row, nullptr);
}

TEST(DataTable, IndexOfTextFoldsOnlyAsciiLetters) {
    TDataTable table(u"", MakeColumnSet({1}));
    EXPECT_EQ(table.IndexOfText(0, u"x"), -1);  // no rows

    table.Init(
        u"System,a\x1A"
        u"b|kavsvc.exe,x|,y|\u00e9t\u00e9,z|KAVSVC.EXE,w");
    struct Case {
        int Column;
        std::u16string Text;
        int Expected;
    };
    const Case cases[] = {
        {0, u"KAVSvc.exe", 1},
        {0, u"kavsvc.ex", -1},
        {0, u"", 2},
        {0, u"\u00c9T\u00c9", -1},  // letters beyond a to z must match exactly
        {0, u"\u00e9T\u00e9", 3},
        {1, u"A,B", 0},  // a converted column compares in restored form
        {1,
         u"a\x1A"
         u"b",
         -1},
    };
    for (const auto& c : cases) EXPECT_EQ(table.IndexOfText(c.Column, c.Text), c.Expected);

    // Row 0 lacks a third cell: the search stops there.
    EXPECT_THROW(table.IndexOfText(2, u"x"), EListError);
}

TEST(DataTable, NameAndValueLiveInThePropertyRow) {
    TDataTable table(u"", {});
    table.SetName(u"files");
    table.SetValue(-12);
    EXPECT_EQ(table.Name(), u"files");
    EXPECT_EQ(table.Value(), -12);
    EXPECT_EQ(table.PropertyRow()->Items(1)->Text(), u"-12");

    table.Init(u"##x");
    EXPECT_EQ(table.PropCount(), 1);
    EXPECT_EQ(table.Name(), u"");
    EXPECT_THROW(table.Value(), EListError);
    EXPECT_THROW(table.SetValue(1), EListError);
}

TEST(DataTable, CopyFromCopiesRowsWithNewIds) {
    TDataTable source(u"", MakeColumnSet({0}));
    source.Init(
        u"#src,4#a\x1A"
        u"b,1|c|d");
    TDataTable target(u"", MakeColumnSet({0}));
    target.Init(u"#dst,9#old");
    std::vector<TableEvent> events;
    Record(target, events);

    target.CopyFrom(source, false, 0);
    EXPECT_EQ(GridOf(target), (Grid{{u"a,b", u"1"}, {u"c"}, {u"d"}}));
    EXPECT_EQ(target.Name(), u"dst");
    EXPECT_EQ(target.Items(0)->Id(), 1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Mode, cmTableInit);

    target.CopyFrom(source, true, 2);
    EXPECT_EQ(GridOf(target), (Grid{{u"a,b", u"1"}, {u"c"}}));
    EXPECT_EQ(target.Name(), u"src");
    EXPECT_EQ(target.Value(), 4);
    EXPECT_EQ(source.ItemCount(), 3);

    target.CopyFrom(target, true, 0);  // copying from itself keeps the rows
    EXPECT_EQ(GridOf(target), (Grid{{u"a,b", u"1"}, {u"c"}}));
    EXPECT_EQ(target.Name(), u"src");
}

TEST(DataTable, AFailingHandlerLeavesTheCountBalanced) {
    TDataTable table(u"", {});
    table.AddItem(MakeRow({u"a"}));
    table.SetRowIndex(0);
    table.SetOnRowIndexChanged([](TObject*, int) { throw std::runtime_error("handler"); });
    std::vector<TableEvent> events;
    Record(table, events);

    EXPECT_THROW(table.Init(u"x|y"), std::runtime_error);
    // The closing notification came before the error; the work done so far stays.
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Mode, cmTableInit);
    EXPECT_EQ(table.ItemCount(), 0);

    table.AddItem(MakeRow({u"b"}));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].Mode, cmRowAdd);
}

}  // namespace
}  // namespace stp
