// The README's tables that are made from the settings table, for tests
// that check them against it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace test_support {

// The lines after the README's `<!-- settings table: NAME -->` up to the
// first blank line, each ending in '\n'; empty when there is no such mark.
std::string ReadmeTable(std::string_view name);

// A Markdown table: `header`'s cells, the rule under them, then `rows`.
std::string MarkdownTable(const std::vector<std::string>& header, const std::vector<std::vector<std::string>>& rows);

}  // namespace test_support
