// Cell writes, their notifications and the column conversion.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "datatable/Errors.h"
#include "datatable/Text.h"

namespace stp {
namespace {

using test::Record;
using test::RowEvent;

TEST(CellWrite, OnlyANewTextNotifies) {
    TRow row;
    TCell* cell = row.AddItem(u"7");
    std::vector<RowEvent> events;
    Record(row, events);

    cell->SetText(u"7");
    cell->SetValue(7);
    EXPECT_TRUE(events.empty());

    cell->SetValue(-5);
    EXPECT_EQ(cell->Text(), u"-5");
    cell->SetAsBool(true);
    EXPECT_EQ(cell->Text(), u"-1");
    cell->SetAsBool(true);
    cell->SetAsBool(false);
    EXPECT_EQ(cell->Text(), u"0");
    cell->SetValue(INT32_MIN);
    EXPECT_EQ(cell->Text(), u"-2147483648");

    ASSERT_EQ(events.size(), 4u);
    for (const auto& e : events) {
        EXPECT_EQ(e.Mode, cmCellEdit);
        EXPECT_EQ(e.Cell, cell);
    }
    EXPECT_TRUE(row.DataChanged());
}

TEST(CellWrite, ValueOfALeadingZeroTextRewritesIt) {
    TRow row;
    TCell* cell = row.AddItem(u"07");
    std::vector<RowEvent> events;
    Record(row, events);
    cell->SetValue(7);
    EXPECT_EQ(cell->Text(), u"7");
    EXPECT_EQ(events.size(), 1u);
}

TEST(CellIndex, IsThePositionInItsRow) {
    TRow row;
    row.AddItem(u"a");
    TCell* second = row.AddItem(u"b");
    EXPECT_EQ(second->GetIndex(), 1);
    TCell loose(&row);  // made for the row but never appended
    EXPECT_EQ(loose.GetIndex(), -1);
    TCell orphan(nullptr);
    EXPECT_EQ(orphan.GetIndex(), -1);
    orphan.SetText(u"x");  // no row to notify
    EXPECT_EQ(orphan.Text(), u"x");
}

// A table converting column 1; cells are written in column 0 or 1 of its one row.
class ConvertedColumn : public ::testing::Test {
protected:
    TDataTable table{u"", MakeColumnSet({1})};
    TRow* row = nullptr;

    void SetUp() override { row = table.AddItem(test::MakeRow({u"", u""})); }

    // The stored text, seen through the raw text form a row copy keeps.
    static std::u16string Stored(const TCell& cell) {
        TRow copy;
        copy.CopyFrom(*cell.Parent());
        return copy.Items(cell.GetIndex())->Text();
    }
};

TEST_F(ConvertedColumn, StoresSeparatorsAndControlsInStoredForm) {
    struct Case {
        std::u16string Written;
        std::u16string Stored;
        std::u16string Read;
    };
    const Case cases[] = {
        {u"x,y|z", u"x\x1Ay\x1Bz", u"x,y|z"},
        {u"a\tb\nc\rd", u"a b c d", u"a b c d"},
        {u"a\x1A"
         u"b",
         u"a b", u"a b"},  // a raw stored comma would read back as a comma
        {u"a\x1B\x01\x1F", u"a   ", u"a   "},
        {std::u16string(u"ab\0cd", 5), u"ab", u"ab"},
        {std::u16string(u"\0cd", 3), u"", u""},
        {u"\u00e9,\U0001F600", u"\u00e9\x1A\U0001F600", u"\u00e9,\U0001F600"},
    };
    TCell* cell = row->Items(1);
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.Written));
        cell->SetText(c.Written);
        EXPECT_EQ(Stored(*cell), c.Stored);
        EXPECT_EQ(cell->Text(), c.Read);
    }
}

TEST_F(ConvertedColumn, KeepsLineBreaksWhenReservedOrByIOMode) {
    TCell* cell = row->Items(1);
    table.SetReserveLFSet(MakeColumnSet({1}));
    cell->SetText(u"a\tb\r\n");
    EXPECT_EQ(cell->Text(), u"a\tb\r\n");

    table.SetReserveLFSet({});
    table.SetIOMode(3);
    cell->SetText(u"c\td");
    EXPECT_EQ(cell->Text(), u"c\td");

    table.SetIOMode(2);
    cell->SetText(u"e\tf");
    EXPECT_EQ(cell->Text(), u"e f");
}

TEST_F(ConvertedColumn, OtherColumnsAndFreeRowsStoreAsGiven) {
    row->Items(0)->SetText(u"x,y|z\t");
    EXPECT_EQ(Stored(*row->Items(0)), u"x,y|z\t");

    // Only the owning table converts; a table that merely refers to the row does not.
    TRow referring;
    referring.SetRefParent(&table);
    referring.AddItem(u"");
    referring.AddItem(u"x,y");
    EXPECT_EQ(Stored(*referring.Items(1)), u"x,y");
}

TEST_F(ConvertedColumn, AddItemOnATableRowConverts) {
    TCell* added = row->AddItem(u"p,q");  // column 2: not converted
    EXPECT_EQ(Stored(*added), u"p,q");
    TRow* second = table.AddItem(test::MakeRow({u"a"}));
    TCell* cell = second->AddItem(u"p,q");  // column 1 of a row the table owns
    EXPECT_EQ(Stored(*cell), u"p\x1Aq");
    EXPECT_EQ(cell->Text(), u"p,q");
}

TEST_F(ConvertedColumn, AWriteWhoseStoredFormIsUnchangedIsSilent) {
    TCell* cell = row->Items(1);
    cell->SetText(u"x,y");
    std::vector<test::TableEvent> events;
    Record(table, events);
    cell->SetText(u"x,y");
    cell->SetText(u"x\x1Ay");  // the same stored text
    EXPECT_TRUE(events.empty());
    cell->SetText(u"x;y");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Mode, cmCellEdit);
    EXPECT_EQ(events[0].Row, row);
    EXPECT_EQ(events[0].Cell, cell);
}

TEST_F(ConvertedColumn, ValueAndAsBoolReadTheStoredText) {
    TCell* cell = row->Items(1);
    cell->SetText(u"1,5");
    try {
        cell->Value();
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "''1\x1A"
                  "5'' is not a valid integer value");
    }
    EXPECT_THROW(cell->AsBool(), EConvertError);
}

TEST(ColumnSet, HoldsColumnsZeroTo103Only) {
    TColumnSet set = MakeColumnSet({-1, 0, 103, 104, 500});
    EXPECT_EQ(set.count(), 2u);
    EXPECT_TRUE(InColumnSet(set, 0));
    EXPECT_TRUE(InColumnSet(set, 103));
    EXPECT_FALSE(InColumnSet(set, 104));
    EXPECT_FALSE(InColumnSet(set, -1));
}

}  // namespace
}  // namespace stp
