#include "support/readme_table.h"

#include <fstream>
#include <sstream>

namespace test_support {

std::string ReadmeTable(std::string_view name) {
  std::ifstream readme(MERIDEL_SOURCE_DIR "/README.md");
  const std::string mark = "<!-- settings table: " + std::string(name) + " -->";
  std::string line, table;
  bool inside = false;
  while (std::getline(readme, line)) {
    if (inside && line.empty()) break;
    if (inside) table += line + '\n';
    if (line == mark) inside = true;
  }
  return table;
}

std::string MarkdownTable(const std::vector<std::string>& header, const std::vector<std::vector<std::string>>& rows) {
  const auto row = [](const std::vector<std::string>& cells) {
    std::string out = "|";
    for (const std::string& cell : cells) out += " " + cell + " |";
    return out + '\n';
  };
  std::string out = row(header) + "|";
  for (size_t i = 0; i < header.size(); ++i) out += "---|";
  out += '\n';
  for (const std::vector<std::string>& cells : rows) out += row(cells);
  return out;
}

}  // namespace test_support
