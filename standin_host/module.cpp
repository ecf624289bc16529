#include "module.h"

#include "text.h"

namespace standin {

std::unique_ptr<Module> Module::Load(const std::string& path, std::string& error) {
  const HMODULE handle = LoadLibraryA(WindowsPath(path).c_str());
  if (!handle) {
    error = "LoadLibraryA(" + Quoted(WindowsPath(path)) + ") failed, error " + Dec(GetLastError());
    return nullptr;
  }
  const auto getFilterTable = reinterpret_cast<GetFilterTableFn>(
      reinterpret_cast<void*>(GetProcAddress(handle, "GetFilterTable")));
  if (!getFilterTable) {
    error = "the module exports no GetFilterTable";
    FreeLibrary(handle);
    return nullptr;
  }
  return std::unique_ptr<Module>(new Module(handle, getFilterTable));
}

Module::~Module() { FreeLibrary(handle_); }

bool Module::Contains(const void* address) const {
  HMODULE owner = nullptr;
  return GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(address), &owner) &&
         owner == handle_;
}

void HostFilterRecord::Adopt(const FilterTable& table) {
  filter = table;
  trackValues.assign(table.trackDefaults, table.trackDefaults + table.trackCount);
  trackMax.assign(table.trackMax, table.trackMax + table.trackCount);
  checkValues.assign(table.checkCount, 0);
  filter.trackValues = trackValues.data();
  filter.trackMax = trackMax.data();
  filter.checkValues = checkValues.data();
  filter.services = &services;
}

}  // namespace standin
