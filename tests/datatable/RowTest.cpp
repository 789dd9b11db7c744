// Row operations, their notifications and update counting.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "datatable/Errors.h"

namespace stp {
namespace {

using test::Cells;
using test::CellsOf;
using test::Record;
using test::RowEvent;

TEST(Row, NewRowIsEmptyAndFreeStanding) {
    TRow row;
    EXPECT_EQ(row.ItemCount(), 0);
    EXPECT_EQ(row.Id(), -1);
    EXPECT_EQ(row.Parent(), nullptr);
    EXPECT_EQ(row.GetIndex(), -1);
    EXPECT_FALSE(row.DataChanged());
}

TEST(Row, ItemsOutsideTheListRaiseTheListError) {
    TRow row;
    row.AddItem(u"a");
    for (int index : {1, -1, 5}) {
        try {
            row.Items(index);
            ADD_FAILURE() << "no error for " << index;
        } catch (const EListError& e) {
            EXPECT_EQ(std::string(e.what()), "List index out of bounds (" + std::to_string(index) + ")");
        }
    }
}

TEST(Row, EachOperationRaisesOneClosingNotification) {
    TRow row;
    std::vector<RowEvent> events;
    Record(row, events);

    row.Clear();  // no cells: silent
    EXPECT_TRUE(events.empty());

    TCell* a = row.AddItem(u"a");
    TCell* n = row.AddItem(42);
    EXPECT_EQ(n->Text(), u"42");
    row.Init(u"x,y,z", u',');
    row.Clear();

    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].Mode, cmCellAdd);
    EXPECT_EQ(events[0].Cell, a);
    EXPECT_EQ(events[1].Mode, cmCellAdd);
    EXPECT_EQ(events[1].Cell, n);
    EXPECT_EQ(events[2].Mode, cmRowInit);
    EXPECT_EQ(events[2].Cell, nullptr);
    EXPECT_EQ(events[3].Mode, cmRowClear);
    EXPECT_EQ(row.ItemCount(), 0);
}

TEST(Row, InitSplitsAtTheGivenCharacterWithoutConverting) {
    struct Case {
        std::u16string Text;
        char16_t Split;
        Cells Expected;
    };
    const Case cases[] = {
        {u"", u',', {u""}},
        {u",", u',', {u"", u""}},
        {u"a;b,c", u';', {u"a", u"b,c"}},
        {u"\x1A|", u',', {u"\x1A|"}},
        {std::u16string(u"a,\0b", 4), u',', {u"a", u""}},
        {std::u16string(u"\0a", 2), u',', {}},
    };
    for (const auto& c : cases) {
        TRow row;
        row.AddItem(u"old");
        row.Init(c.Text, c.Split);
        EXPECT_EQ(CellsOf(row), c.Expected);
        for (int i = 0; i < row.ItemCount(); ++i) EXPECT_EQ(row.Items(i)->Parent(), &row);
    }
}

TEST(Row, CopyFromTakesTheCellTextsOnly) {
    TRow source;
    source.Init(u"a,\x1A,", u',');
    source.SetTag(9);

    TRow target;
    target.SetTag(3);
    std::vector<RowEvent> events;
    Record(target, events);
    target.CopyFrom(source);
    EXPECT_EQ(CellsOf(target), (Cells{u"a", u"\x1A", u""}));
    EXPECT_EQ(target.Tag(), 3);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Mode, cmRowInit);

    target.CopyFrom(TRow{});
    EXPECT_EQ(CellsOf(target), (Cells{u""}));

    source.CopyFrom(source);
    EXPECT_EQ(CellsOf(source), (Cells{u"a", u"\x1A", u""}));
}

TEST(Row, UpdateCountingFoldsNotificationsIntoOne) {
    TRow row;
    std::vector<RowEvent> events;
    Record(row, events);
    row.BeginUpdate();
    row.BeginUpdate();
    row.AddItem(u"a");
    row.Items(0)->SetText(u"b");
    row.EndUpdate(cmLoad, nullptr);
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(row.DataChanged());
    row.EndUpdate(cmSort, nullptr);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Mode, cmSort);
}

TEST(Row, AnUnmatchedEndUpdateSilencesTheRowUntilBalanced) {
    TRow row;
    TCell* cell = row.AddItem(u"a");
    std::vector<RowEvent> events;
    Record(row, events);
    row.EndUpdate(cmLoad, nullptr);  // count -1: nothing raised
    EXPECT_TRUE(events.empty());
    cell->SetText(u"b");
    row.Clear();
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(row.ItemCount(), 0);
    row.BeginUpdate();  // back at 0
    row.AddItem(u"c");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Mode, cmCellAdd);
}

TEST(Row, ForwardsToRefParentInsteadOfParent) {
    TDataTable owner(u"", {});
    TDataTable referrer(u"", {});
    TRow* row = owner.AddItem(test::MakeRow({u"a"}));
    std::vector<test::TableEvent> ownerEvents, referrerEvents;
    Record(owner, ownerEvents);
    Record(referrer, referrerEvents);

    row->Items(0)->SetText(u"b");
    ASSERT_EQ(ownerEvents.size(), 1u);
    EXPECT_EQ(ownerEvents[0].Row, row);

    row->SetRefParent(&referrer);
    EXPECT_EQ(row->GetIndex(), -1);  // not in the referrer's list
    row->Items(0)->SetText(u"c");
    EXPECT_EQ(ownerEvents.size(), 1u);
    ASSERT_EQ(referrerEvents.size(), 1u);
    EXPECT_EQ(referrerEvents[0].Mode, cmCellEdit);
    row->SetRefParent(nullptr);
}

TEST(Row, DestroyingReleasesTheInterfaceReference) {
    auto object = std::make_shared<int>(5);
    {
        TRow row;
        row.SetIData(object);
        EXPECT_EQ(object.use_count(), 2);
    }
    EXPECT_EQ(object.use_count(), 1);
}

TEST(Row, AHandlerThatFailsLeavesTheCountBalanced) {
    TRow row;
    bool fail = true;
    int calls = 0;
    row.SetOnDataChanged([&](TRow*, TDataTableChangeMode, TCell*) {
        ++calls;
        if (fail) throw std::runtime_error("handler");
    });
    EXPECT_THROW(row.Init(u"a,b", u','), std::runtime_error);
    EXPECT_EQ(row.ItemCount(), 2);
    fail = false;
    row.AddItem(u"c");
    EXPECT_EQ(calls, 2);
}

TEST(Row, AHandlerMayReplaceItsOwnEvent) {
    TRow row;
    int calls = 0;
    row.SetOnDataChanged([&](TRow* sender, TDataTableChangeMode, TCell*) {
        ++calls;
        sender->SetOnDataChanged(nullptr);
    });
    row.AddItem(u"a");
    row.AddItem(u"b");
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace stp
