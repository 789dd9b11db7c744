// Lists of tables: ownership, copying, Assign and notifications from their tables.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "datatable/Errors.h"

namespace stp {
namespace {

using test::Grid;
using test::GridOf;
using test::ListEvent;
using test::MakeRow;
using test::Record;
using test::TableEvent;

std::unique_ptr<TDataTable> MakeTable(std::u16string_view text) {
    auto table = std::make_unique<TDataTable>(u"", TColumnSet{});
    table->Init(text);
    return table;
}

TEST(DataTables, AddItemTakesOverAndReportsThePosition) {
    TDataTables list;
    std::vector<ListEvent> events;
    Record(list, events);
    TDataTable* first = list.AddItem(MakeTable(u"a"));
    TDataTable* second = list.AddItem(MakeTable(u"b"));
    EXPECT_EQ(first->Parent(), &list);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].Mode, cmTableAdd);
    EXPECT_EQ(events[1].TCount, 1);
    EXPECT_EQ(events[1].Table, second);
    EXPECT_EQ(events[1].Index, 1);

    // A table's own change reaches the list with its position looked up.
    events.clear();
    second->Items(0)->Items(0)->SetText(u"c");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Mode, cmCellEdit);
    EXPECT_EQ(events[0].TCount, 1);
    EXPECT_EQ(events[0].Table, second);
    EXPECT_EQ(events[0].Index, 1);

    EXPECT_THROW(list.AddItem(first, false), Error);  // already the list's
    EXPECT_THROW(list.AddItem(nullptr, true), Error);
    EXPECT_EQ(list.ItemCount(), 2);
}

TEST(DataTables, PreventEventSilencesOnlyTheTable) {
    TDataTables list;
    TDataTable* table = list.AddItem(MakeTable(u"a"));
    std::vector<ListEvent> listEvents;
    std::vector<TableEvent> tableEvents;
    Record(list, listEvents);
    Record(*table, tableEvents);
    table->SetDataChanged(false);
    table->SetPreventEvent(true);

    table->SetName(u"n");
    EXPECT_TRUE(tableEvents.empty());
    EXPECT_TRUE(table->DataChanged());
    ASSERT_EQ(listEvents.size(), 1u);
    EXPECT_EQ(listEvents[0].Mode, cmPropChange);
}

TEST(DataTables, CopyingAddsRowCopiesWithoutPropertyRowOrConversion) {
    TDataTable source(u"k", MakeColumnSet({1}));
    source.Init(
        u"#src#x,a\x1A"
        u"b");
    TDataTables list;
    TDataTable* copy = list.AddItem(&source, true);
    EXPECT_NE(copy, &source);
    EXPECT_EQ(copy->Parent(), &list);
    EXPECT_EQ(copy->Key(), u"");
    EXPECT_TRUE(copy->ConvertSet().none());
    EXPECT_EQ(copy->Name(), u"");
    // The stored text travels as it stands.
    EXPECT_EQ(GridOf(*copy), (Grid{{u"x",
                                    u"a\x1A"
                                    u"b"}}));
    EXPECT_EQ(source.Parent(), nullptr);
}

TEST(DataTables, ClearNotifiesOnlyWhenTablesGo) {
    TDataTables list;
    std::vector<ListEvent> events;
    Record(list, events);
    list.Clear();
    EXPECT_TRUE(events.empty());
    list.AddItem(MakeTable(u"a"));
    events.clear();
    list.Clear();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Mode, cmTablesClear);
    EXPECT_EQ(events[0].TCount, -1);
    EXPECT_EQ(events[0].Table, nullptr);
    EXPECT_EQ(list.ItemCount(), 0);
}

class AssignTest : public ::testing::Test {
protected:
    TDataTables source;
    TDataTables target;

    void SetUp() override {
        source.AddItem(MakeTable(u"a|b"));
        source.AddItem(MakeTable(u"c"));
        source.AddItem(MakeTable(u"d"));
        source.PropertyRow()->Init(u"tables,3", u',');
        source.SetTag(7);
        target.AddItem(MakeTable(u"old"));
    }
};

TEST_F(AssignTest, TakesTablesPropertyRowAndTagInOneNotification) {
    std::vector<ListEvent> events;
    Record(target, events);
    target.Assign(&source);
    ASSERT_EQ(target.ItemCount(), 3);
    EXPECT_EQ(GridOf(*target.Items(0)), (Grid{{u"a"}, {u"b"}}));
    EXPECT_EQ(target.Items(2)->Parent(), &target);
    EXPECT_EQ(test::CellsOf(*target.PropertyRow()), (test::Cells{u"tables", u"3"}));
    EXPECT_EQ(target.Tag(), 7);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Mode, cmTablesInit);
    EXPECT_EQ(source.ItemCount(), 3);
}

TEST_F(AssignTest, CopyFromStopsAtMaxCount) {
    target.CopyFrom(source, 2);
    ASSERT_EQ(target.ItemCount(), 2);
    EXPECT_EQ(GridOf(*target.Items(1)), (Grid{{u"c"}}));
    EXPECT_EQ(target.Tag(), 0);
}

TEST_F(AssignTest, FromItselfKeepsEverything) {
    source.Assign(&source);
    ASSERT_EQ(source.ItemCount(), 3);
    EXPECT_EQ(GridOf(*source.Items(0)), (Grid{{u"a"}, {u"b"}}));
    EXPECT_EQ(test::CellsOf(*source.PropertyRow()), (test::Cells{u"tables", u"3"}));
}

TEST_F(AssignTest, OtherSourcesRaiseTheAssignError) {
    TDataTable table(u"", {});
    TRow row;
    const std::pair<const TPersistent*, std::string> cases[] = {
        {nullptr, "Cannot assign a nil to a TDataTables"},
        {&table, "Cannot assign a TDataTable to a TDataTables"},
        {&row, "Cannot assign a TRow to a TDataTables"},
    };
    for (const auto& [from, message] : cases) {
        try {
            target.Assign(from);
            ADD_FAILURE() << "no error: " << message;
        } catch (const EAssignError& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
    EXPECT_EQ(target.ItemCount(), 1);

    // Rows and tables take no Assign of their own.
    try {
        table.Assign(&source);
        ADD_FAILURE() << "no error";
    } catch (const EAssignError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot assign a TDataTables to a TDataTable");
    }
}

TEST(DataTables, DataChangedFlagCascades) {
    TDataTables list;
    TDataTable* table = list.AddItem(MakeTable(u"a"));
    std::vector<ListEvent> events;
    Record(list, events);
    table->Items(0)->Items(0)->SetText(u"b");
    EXPECT_TRUE(list.DataChanged());
    EXPECT_TRUE(table->Items(0)->DataChanged());
    events.clear();

    list.SetDataChanged(false);
    EXPECT_FALSE(list.DataChanged());
    EXPECT_FALSE(table->DataChanged());
    EXPECT_FALSE(table->Items(0)->DataChanged());
    EXPECT_TRUE(events.empty());

    list.SetDataChanged(true);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Mode, cmDirect);
    EXPECT_EQ(events[0].Table, nullptr);
    EXPECT_EQ(events[0].Index, -1);
}

}  // namespace
}  // namespace stp
