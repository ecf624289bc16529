// The filter module, loaded the way the host editor loads it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "windows_editor/filter_table.h"
#include "windows_editor/host_abi.h"

namespace standin {

using GetFilterTableFn = FilterTable*(HOST_CALL*)();

class Module {
 public:
  // LoadLibraryA and GetProcAddress("GetFilterTable"); null with `error` set on failure.
  static std::unique_ptr<Module> Load(const std::string& path, std::string& error);
  ~Module();  // FreeLibrary
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  FilterTable* GetFilterTable() const { return getFilterTable_(); }

  // Whether the address lies in the module's own image.
  bool Contains(const void* address) const;

 private:
  Module(HMODULE handle, GetFilterTableFn getFilterTable) : handle_(handle), getFilterTable_(getFilterTable) {}
  HMODULE handle_;
  GetFilterTableFn getFilterTable_;
};

// What the host keeps for a loaded filter: the filter's table, pointed at
// arrays and services of the host's own. The callbacks receive `filter`.
struct HostFilterRecord {
  // Copies the table; the track bars start at their defaults and maxima,
  // the check buttons clear, and `filter.services` points at `services`.
  void Adopt(const FilterTable& table);

  HostFilter filter{};
  HostServices services{};
  std::vector<int32_t> trackValues, trackMax, checkValues;
};

}  // namespace standin
