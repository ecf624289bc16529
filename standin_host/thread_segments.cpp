#include "thread_segments.h"

#include <objbase.h>
#include <windows.h>

#include <cstdint>

namespace standin {
namespace {

// Linux i386: get_thread_area / set_thread_area and their descriptor.
constexpr long kGetThreadArea = 244;
constexpr long kSetThreadArea = 243;
struct UserDesc {
  uint32_t entryNumber;
  uint32_t baseAddress;
  uint32_t limit;
  uint32_t flags;
};

long LinuxSyscall(long number, UserDesc* desc) {
  long result;
  asm volatile("int $0x80" : "=a"(result) : "a"(number), "b"(desc) : "memory");
  return result;
}

// Only Wine on Linux takes Linux system calls; Windows itself would not.
bool UnderWine() {
  static const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

void PointEntryAt(uint16_t selector, uint32_t base) {
  if (selector == 0 || (selector & 4)) return;  // not an entry of the table
  UserDesc desc{};
  desc.entryNumber = selector >> 3;
  if (LinuxSyscall(kGetThreadArea, &desc) != 0 || desc.baseAddress == base) return;
  desc.baseAddress = base;
  LinuxSyscall(kSetThreadArea, &desc);
}

}  // namespace

void RepairThreadSegments() {
  if (!UnderWine()) return;
  uint16_t fsSelector, gsSelector;
  uint32_t fsBase, gsBase;
  asm volatile("movw %%fs, %0" : "=r"(fsSelector));
  asm volatile("movw %%gs, %0" : "=r"(gsSelector));
  // Wine's TEB holds its own address at 0x18; the C library's thread block
  // starts with a pointer to itself.
  asm volatile("movl %%fs:0x18, %0" : "=r"(fsBase));
  asm volatile("movl %%gs:0, %0" : "=r"(gsBase));
  PointEntryAt(fsSelector, fsBase);
  PointEntryAt(gsSelector, gsBase);
}

void StartComServerThread() {
  // Marshalling an object out of an apartment starts the RPC server.
  if (FAILED(CoInitialize(nullptr))) return;
  IStream* stream = nullptr;
  if (SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) {
    if (SUCCEEDED(CoMarshalInterface(stream, IID_IUnknown, stream, MSHCTX_LOCAL, nullptr, MSHLFLAGS_TABLESTRONG))) {
      LARGE_INTEGER start{};
      stream->Seek(start, STREAM_SEEK_SET, nullptr);
      CoReleaseMarshalData(stream);
    }
    stream->Release();
  }
  CoUninitialize();
}

}  // namespace standin
