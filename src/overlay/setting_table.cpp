#include "overlay/setting_table.h"

namespace meridel {
namespace {

constexpr std::string_view kRangeMark = "{range}";

std::string WithRange(std::string_view text, const std::optional<SettingRange>& range) {
  std::string out(text);
  const size_t mark = out.find(kRangeMark);
  if (mark != std::string::npos && range) out.replace(mark, kRangeMark.size(), RangeText(*range));
  return out;
}

}  // namespace

std::string RangeText(SettingRange range) {
  return std::to_string(range.minimum) + " to " + std::to_string(range.maximum);
}

std::string DescriptionOf(CaptionSetting setting) {
  return WithRange(RowOf(setting).description, RowOf(setting).range);
}

std::string ExpectedText(CaptionSetting setting) { return WithRange(RowOf(setting).expected, RowOf(setting).range); }

std::string Capitalised(std::string_view phrase) {
  std::string label(phrase);
  if (!label.empty() && label.front() >= 'a' && label.front() <= 'z') label.front() -= 'a' - 'A';
  return label;
}

std::string AsSentence(std::string_view phrase) { return Capitalised(phrase) + '.'; }

}  // namespace meridel
