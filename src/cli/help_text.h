// The command's help and its man page, both written from the option table
// of command_line.h, so that neither lists an option the other lacks.
#pragma once

#include <string>
#include <string_view>

namespace meridel::cli {

// What --help prints.
std::string HelpText(std::string_view version);

// meridel(1) in roff, for man.
std::string ManPage(std::string_view version);

}  // namespace meridel::cli
