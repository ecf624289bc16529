// Writes meridel(1) at build time, from the same table as --help.
//
//   meridel_man_page OUT.1
#include <cstdio>

#include "cli/help_text.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: meridel_man_page OUT.1\n", stderr);
    return 2;
  }
  std::FILE* out = std::fopen(argv[1], "w");
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  const std::string page = meridel::cli::ManPage(MERIDEL_VERSION);
  const bool written = std::fwrite(page.data(), 1, page.size(), out) == page.size();
  return std::fclose(out) == 0 && written ? 0 : 1;
}
