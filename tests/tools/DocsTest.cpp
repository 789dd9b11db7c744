// The docs show the tables stp and the stubs read: every marked copy in the README and the
// docs matches what stp makes of them, so a setting or exit code added or changed without
// its docs fails here.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "tools/stp/DocTables.h"

namespace stp::tool {
namespace {

std::string ReadSource(const std::string& name) {
#ifdef _WIN32
    const std::string root = "Z:" STP_SOURCE_DIR;  // the source tree as Wine's drive Z: shows it
#else
    const std::string root = STP_SOURCE_DIR;
#endif
    std::ifstream in(root + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(Docs, EveryMarkedTableMatchesStpsOwn) {
    const struct {
        const char* file;
        std::vector<std::string> tables;  // what it must hold, at least
    } docs[] = {
        {"README.md", {}},
        {"docs/VENDOR-GUIDE.md", {"settings", "exit-codes", "uninstaller-exit-codes"}},
    };
    for (const auto& doc : docs) {
        const std::string text = ReadSource(doc.file);
        ASSERT_FALSE(text.empty()) << doc.file;
        EXPECT_EQ(StaleDocTables(text), std::vector<std::string>{})
            << doc.file << ": run stp docs --update " << doc.file;
        for (const std::string& table : doc.tables)
            EXPECT_NE(text.find("<!-- stp docs " + table + " -->"), std::string::npos)
                << doc.file << " lacks " << table;
    }
}

// A copy that drifted is found, and made anew without touching what is around it.
TEST(Docs, ADriftedCopyIsFoundAndMadeAnew) {
    const std::string doc =
        "before\n<!-- stp docs exit-codes -->\n| 0 | an old meaning |\n<!-- end stp docs -->\nafter\n";
    EXPECT_EQ(StaleDocTables(doc), std::vector<std::string>{"exit-codes"});
    const std::string made = WithDocTables(doc);
    EXPECT_EQ(made,
              "before\n<!-- stp docs exit-codes -->\n" + DocTable("exit-codes") + "<!-- end stp docs -->\nafter\n");
    EXPECT_EQ(StaleDocTables(made), std::vector<std::string>{});
    EXPECT_THROW(DocTable("no-such-table"), std::invalid_argument);
}

}  // namespace
}  // namespace stp::tool
