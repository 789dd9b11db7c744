// Reading a table from its text form.
#include <gtest/gtest.h>

#include <optional>

#include "TestSupport.h"
#include "datatable/Errors.h"
#include "datatable/Text.h"

namespace stp {
namespace {

using test::Cells;
using test::CellsOf;
using test::Grid;
using test::GridOf;
using test::MakeRow;
using test::Record;
using test::TableEvent;

struct TextFormCase {
    std::u16string Text;
    Grid Rows;
    std::optional<Cells> Header;  // empty: the property row keeps its cells
};

std::u16string WithNull(const char16_t* text, std::size_t length) { return std::u16string(text, length); }

const TextFormCase kCases[] = {
    {u"", {{u""}}, std::nullopt},
    {u"a,b|c", {{u"a", u"b"}, {u"c"}}, std::nullopt},
    {u"a|", {{u"a"}, {u""}}, std::nullopt},
    {u"|", {{u""}, {u""}}, std::nullopt},
    {u"a,,b", {{u"a", u"", u"b"}}, std::nullopt},
    {u" a , b ", {{u" a ", u" b "}}, std::nullopt},
    {u"#N,5#x", {{u"x"}}, Cells{u"N", u"5"}},
    {u"#N,5#", {}, Cells{u"N", u"5"}},
    {u"##x", {{u"x"}}, Cells{u""}},
    {u"#abc", {{u"#abc"}}, std::nullopt},
    {u"#", {{u"#"}}, std::nullopt},
    {u"a#b|#c", {{u"a#b"}, {u"#c"}}, std::nullopt},
    {u"#a|b,c#x#y", {{u"x#y"}}, Cells{u"a|b", u"c"}},
    {u"a\r\nb,\tc|d", {{u"a\r\nb", u"\tc"}, {u"d"}}, std::nullopt},
    {u"a\x1A"
     u"b\x1B",
     {{u"a\x1A"
       u"b\x1B"}},
     std::nullopt},
    // U+0000 ends the text wherever it occurs.
    {WithNull(u"a,b\0,c|d", 8), {{u"a", u"b"}}, std::nullopt},
    {WithNull(u"x|\0y", 4), {{u"x"}, {u""}}, std::nullopt},
    {WithNull(u"\0a", 2), {}, std::nullopt},
    {WithNull(u"#N#\0x", 5), {}, Cells{u"N"}},
    {WithNull(u"#\0#x", 4), {{u"x"}}, Cells{}},
};

TEST(TextForm, ReadsRowsCellsAndHeader) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(ToUtf8(c.Text));
        TDataTable table(u"", {});
        table.SetName(u"before");
        table.Init(c.Text);
        EXPECT_EQ(GridOf(table), c.Rows);
        if (c.Header) {
            EXPECT_EQ(CellsOf(*table.PropertyRow()), *c.Header);
        } else {
            EXPECT_EQ(table.PropCount(), 10);
            EXPECT_EQ(table.Name(), u"before");
        }
        for (int i = 0; i < table.ItemCount(); ++i) {
            EXPECT_EQ(table.Items(i)->Id(), i + 1);
            EXPECT_EQ(table.Items(i)->Parent(), &table);
        }
    }
}

TEST(TextForm, HeaderGivesNameAndValue) {
    TDataTable table(u"", {});
    table.Init(u"#N,5#x");
    EXPECT_EQ(table.Name(), u"N");
    EXPECT_EQ(table.Value(), 5);
    EXPECT_EQ(table.PropCount(), 2);
}

TEST(TextForm, InitReplacesRowsAndRaisesOneNotification) {
    TDataTable table(u"", {});
    for (int i = 0; i < 4; ++i) table.AddItem(MakeRow({u"old"}));
    std::vector<TableEvent> events;
    Record(table, events);

    table.Init(u"#H,1#a|b|c");
    EXPECT_EQ(GridOf(table), (Grid{{u"a"}, {u"b"}, {u"c"}}));
    EXPECT_EQ(table.Items(2)->Id(), 3);
    EXPECT_EQ(table.IndexOfId(4), -1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Mode, cmTableInit);
    EXPECT_EQ(events[0].Row, nullptr);
}

TEST(TextForm, ConvertedColumnsKeepTheStoredFormAndRestoreOnRead) {
    // The file table converts column 1, its file-name column.
    TDataTable table(u"", MakeColumnSet({1}));
    table.Init(u"x\x1Ay\x1Bz,x\x1Ay\x1Bz,7");
    TRow* row = table.Items(0);
    EXPECT_EQ(row->Items(1)->Text(), u"x,y|z");
    EXPECT_EQ(row->Items(0)->Text(), u"x\x1Ay\x1Bz");
    EXPECT_EQ(row->Items(2)->Value(), 7);

    // A cell written before the row reaches the table is stored as given.
    auto loose = MakeRow({u"a", u"b,c"});
    TRow* added = table.AddItem(std::move(loose));
    EXPECT_EQ(added->Items(1)->Text(), u"b,c");
}

TEST(TextForm, AnEmptyTextLeavesOneCellForAReaderOfSeveralColumns) {
    TDataTable table(u"", MakeColumnSet({1}));
    table.Init(u"");
    ASSERT_EQ(table.ItemCount(), 1);
    EXPECT_THROW(table.Items(0)->Items(1), EListError);
}

}  // namespace
}  // namespace stp
