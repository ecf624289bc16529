#include "table_check.h"

#include <algorithm>
#include <cstring>

#include "overlay/overlay_settings.h"
#include "text.h"

namespace standin {
namespace {

// What the module's source declares: the loaded module must hand the host
// exactly that, through its export, in the host's layout.
constexpr int32_t kExtraDataSize = sizeof(meridel::OverlaySettings);

std::string Address(const void* pointer) {
  return pointer ? Hex(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer))) : "null";
}

bool Writable(const void* address) {
  MEMORY_BASIC_INFORMATION info{};
  if (!address || !VirtualQuery(address, &info, sizeof info)) return false;
  return info.Protect & (PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY);
}

class TableReport {
 public:
  void Line(const std::string& text) { Print("  " + text + "\n"); }

  template <class T>
  void Field(const std::string& label, const T& actual, const T& expected, const std::string& shown) {
    Line(label + " " + shown);
    if (!(actual == expected)) differences.push_back(label + ": got " + shown);
  }
  void Text(const std::string& label, const char* actual, const char* expected) {
    const std::string shown = actual ? Quoted(actual) : "null";
    Line(label + " " + shown);
    if (!actual || std::strcmp(actual, expected) != 0)
      differences.push_back(label + ": expected " + Quoted(expected) + ", got " + shown);
  }
  void Require(bool holds, const std::string& fault) {
    if (!holds) differences.push_back(fault);
  }

  std::vector<std::string> differences;
};

void CheckTracks(const FilterTable& table, TableReport& report) {
  constexpr int32_t count = meridel::kTrackCount;
  report.Field("track bars", table.trackCount, count, Dec(table.trackCount));
  if (table.trackCount != count || !table.trackNames || !table.trackDefaults || !table.trackMin || !table.trackMax) {
    report.Require(false, "track arrays: missing or of the wrong count");
    return;
  }
  for (int i = 0; i < count; ++i) {
    const meridel::TrackBar& expected = meridel::kTrackBars[i];
    const char* name = table.trackNames[i];
    const std::string label = "  track " + Dec(i);
    report.Line(label + " " + (name ? Quoted(name) : "null") + " default " + Dec(table.trackDefaults[i]) +
                " min " + Dec(table.trackMin[i]) + " max " + Dec(table.trackMax[i]));
    report.Require(name && std::strcmp(name, expected.name) == 0, label + ": expected the name " + Quoted(expected.name));
    report.Require(table.trackDefaults[i] == expected.defaultValue,
                   label + ": expected the default " + Dec(expected.defaultValue));
    report.Require(table.trackMin[i] == expected.minimum, label + ": expected the minimum " + Dec(expected.minimum));
    report.Require(table.trackMax[i] == expected.maximum, label + ": expected the maximum " + Dec(expected.maximum));
  }
  report.Require(Writable(table.trackMax), "the track maxima must lie in writable memory");
}

void CheckButtons(const FilterTable& table, TableReport& report) {
  constexpr int32_t count = meridel::kCheckCount;
  report.Field("check buttons", table.checkCount, count, Dec(table.checkCount));
  if (table.checkCount != count || !table.checkNames || !table.checkDefaults) {
    report.Require(false, "check arrays: missing or of the wrong count");
    return;
  }
  for (int i = 0; i < count; ++i) {
    const meridel::CheckButton& expected = meridel::kCheckButtons[i];
    const char* name = table.checkNames[i];
    const std::string label = "  check " + Dec(i);
    report.Line(label + " " + (name ? Quoted(name) : "null") + " default " + Dec(table.checkDefaults[i]) +
                (table.checkDefaults[i] == -1 ? " (push button)" : " (tick box)"));
    report.Require(name && std::strcmp(name, expected.name) == 0, label + ": expected the name " + Quoted(expected.name));
    report.Require(table.checkDefaults[i] == expected.defaultValue,
                   label + ": expected the default " + Dec(expected.defaultValue));
  }
}

void CheckCallbacks(const Module& module, const FilterTable& table, TableReport& report) {
  const struct {
    const char* label;
    const void* pointer;
    bool expected;
  } callbacks[] = {
      {"frameCallback", reinterpret_cast<const void*>(table.frameCallback), true},
      {"startupCallback", reinterpret_cast<const void*>(table.startupCallback), true},
      {"exitCallback", reinterpret_cast<const void*>(table.exitCallback), true},
      {"spareCallback", reinterpret_cast<const void*>(table.spareCallback), false},
      {"windowCallback", reinterpret_cast<const void*>(table.windowCallback), true},
  };
  for (const auto& callback : callbacks) {
    report.Line(std::string(callback.label) + " " + Address(callback.pointer));
    if (callback.expected)
      report.Require(callback.pointer && module.Contains(callback.pointer),
                     std::string(callback.label) + ": expected a function of the module");
    else
      report.Require(!callback.pointer, std::string(callback.label) + ": expected null");
  }
}

void CheckHostFields(const FilterTable& table, TableReport& report) {
  const struct {
    const char* label;
    const void* pointer;
  } nulls[] = {
      {"trackValues", table.trackValues},       {"checkValues", table.checkValues},
      {"field 23", table.hostFields23to24[0]}, {"field 24", table.hostFields23to24[1]},
      {"services", table.services},
  };
  std::string shown;
  for (const auto& field : nulls) {
    shown += std::string(shown.empty() ? "" : ", ") + field.label + " " + Address(field.pointer);
    report.Require(!field.pointer, std::string(field.label) + ": expected null, got " + Address(field.pointer));
  }
  for (int i = 0; i < 10; ++i)
    report.Require(!table.hostFields26to35[i], "field " + Dec(26 + i) + ": expected null");
  report.Line(shown + ", fields 26-35 " + (std::all_of(std::begin(table.hostFields26to35), std::end(table.hostFields26to35),
                                                       [](void* p) { return !p; })
                                               ? "null"
                                               : "NOT null"));
}

void CheckExtraData(const FilterTable& table, TableReport& report) {
  report.Field("extraDataSize", table.extraDataSize, kExtraDataSize, Dec(table.extraDataSize));
  report.Line("extraData " + Address(table.extraData));
  if (!table.extraData) {
    report.Require(false, "extraData: expected the settings block");
    return;
  }
  const auto* bytes = static_cast<const uint8_t*>(table.extraData);
  report.Require(std::all_of(bytes, bytes + kExtraDataSize, [](uint8_t b) { return b == 0; }),
                 "the settings block must be all zero before start-up");
  report.Require(Writable(table.extraData), "the settings block must lie in writable memory");
}

}  // namespace

std::vector<std::string> CheckFilterTable(const Module& module) {
  TableReport report;
  FilterTable* const table = module.GetFilterTable();
  FilterTable* const again = module.GetFilterTable();
  Print("registration record at " + Address(table) + (table == again ? " (a second call: the same address)\n"
                                                                      : " (a second call: " + Address(again) + ")\n"));
  report.Require(table == again, "two calls of GetFilterTable gave different addresses");
  if (!table) {
    report.Require(false, "GetFilterTable returned null");
    return report.differences;
  }
  report.Require(module.Contains(table) && Writable(table), "the record must lie in the module's writable data");
  report.Field("flags", table->flags, meridel::kTableFlags, Hex(table->flags));
  report.Field("hostWordA", table->hostWordA, meridel::kTableHostWord, Hex(table->hostWordA));
  report.Field("hostWordB", table->hostWordB, meridel::kTableHostWord, Hex(table->hostWordB));
  report.Text("name", table->name, meridel::kFilterName);
  report.Text("infoText", table->infoText, meridel::kFilterInfoText);
  CheckTracks(*table, report);
  CheckButtons(*table, report);
  CheckCallbacks(module, *table, report);
  CheckHostFields(*table, report);
  CheckExtraData(*table, report);
  return report.differences;
}

}  // namespace standin
