#include "sys/Processes.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cwctype>

#include "SysTestSupport.h"

namespace stp {
namespace {

using test::W;

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

std::wstring OwnImagePath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// The row of this process, or null.
TRow* OwnRow(const TDataTable& table) {
    for (std::int32_t i = 0; i < table.ItemCount(); ++i)
        if (table.Items(i)->Items(1)->Value() == static_cast<std::int32_t>(GetCurrentProcessId()))
            return table.Items(i);
    return nullptr;
}

TEST(GetProcessTable, NameAndIdentifierOfEveryProcess) {
    const std::unique_ptr<TDataTable> table = GetProcessTable(false);
    ASSERT_GT(table->ItemCount(), 1);
    for (std::int32_t i = 0; i < table->ItemCount(); ++i) ASSERT_EQ(table->Items(i)->ItemCount(), 2) << "row " << i;
    const TRow* own = OwnRow(*table);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(Lower(W(own->Items(0)->Text())), L"sys_tests.exe");
}

TEST(GetProcessTable, WithImagePathsAThirdColumn) {
    const std::unique_ptr<TDataTable> table = GetProcessTable(true);
    for (std::int32_t i = 0; i < table->ItemCount(); ++i) ASSERT_EQ(table->Items(i)->ItemCount(), 3) << "row " << i;
    const TRow* own = OwnRow(*table);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(Lower(W(own->Items(2)->Text())), Lower(OwnImagePath()));
}

TEST(GetProcessImagePath, OwnProcessAndOneThatDoesNotExist) {
    EXPECT_EQ(Lower(W(GetProcessImagePath(GetCurrentProcessId()))), Lower(OwnImagePath()));
    // Process identifiers are multiples of 4; this one is never handed out.
    EXPECT_EQ(GetProcessImagePath(0xFFFFFFF1u), u"");
}

}  // namespace
}  // namespace stp
