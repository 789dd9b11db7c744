// The tables the docs show, made from the tables stp and the stubs read (the settings of
// product.ini, the exit codes), so that the docs cannot drift from them. A doc holds each
// between a line "<!-- stp docs NAME -->" and a line "<!-- end stp docs -->".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace stp::tool {

// The names of the tables: "settings", "exit-codes", "uninstaller-exit-codes".
std::vector<std::string_view> DocTableNames();

// The table Name as Markdown, one line each row, ending with a line break; raises
// std::invalid_argument for a name that is none of DocTableNames().
std::string DocTable(std::string_view Name);

// Text with every marked table made anew from the tables.
std::string WithDocTables(std::string_view Text);

// The names of the marked tables in Text that differ from the tables (a table marked
// twice is named once each time).
std::vector<std::string> StaleDocTables(std::string_view Text);

}  // namespace stp::tool
