// Locale-proof number texts, quoting and paths for the stand-in host.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace standin {

std::string Dec(int64_t value);
std::string Hex(uint32_t value);  // 0x0000ABCD
std::optional<int32_t> ParseInt(std::string_view text);

// The text in double quotes with \n, \" and \\ escaped, for reports.
std::string Quoted(std::string_view text);

// Backslashes for slashes; a Unix absolute path gets Wine's drive Z: in front.
std::string WindowsPath(std::string_view path);

// Writes to stdout at once, so that progress shows while a session runs.
void Print(std::string_view text);

}  // namespace standin
