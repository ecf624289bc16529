#include "text.h"

#include <charconv>
#include <cstdio>

namespace standin {

std::string Dec(int64_t value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string Hex(uint32_t value) {
  char buffer[8];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
  const std::string digits(buffer, result.ptr);
  return "0x" + std::string(8 - digits.size(), '0') + digits;
}

std::optional<int32_t> ParseInt(std::string_view text) {
  int32_t value = 0;
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') ++begin;
  const auto result = std::from_chars(begin, end, value);
  if (result.ec != std::errc() || result.ptr != end || begin == end) return std::nullopt;
  return value;
}

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\n') out += "\\n";
    else if (c == '"') out += "\\\"";
    else if (c == '\\') out += "\\\\";
    else out += c;
  }
  return out + "\"";
}

std::string WindowsPath(std::string_view path) {
  std::string out = !path.empty() && path.front() == '/' ? "Z:" : "";
  for (char c : path) out += c == '/' ? '\\' : c;
  return out;
}

void Print(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace standin
