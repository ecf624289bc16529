// The filter module, loaded the way the host editor loads it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "host/host_abi.h"

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

}  // namespace standin
