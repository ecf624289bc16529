#include "thread_segments.h"

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

uint16_t FsSelector() {
  uint16_t selector;
  asm volatile("movw %%fs, %0" : "=r"(selector));
  return selector;
}

uint16_t GsSelector() {
  uint16_t selector;
  asm volatile("movw %%gs, %0" : "=r"(selector));
  return selector;
}

// Wine's TEB holds its own address at offset 0x18.
uint32_t FsBase() {
  uint32_t base;
  asm volatile("movl %%fs:0x18, %0" : "=r"(base));
  return base;
}

// The C library's thread block starts with a pointer to itself.
uint32_t GsBase() {
  uint32_t base;
  asm volatile("movl %%gs:0, %0" : "=r"(base));
  return base;
}

void PointEntryAt(uint16_t selector, uint32_t base) {
  if (selector == 0 || (selector & 4)) return;  // not a descriptor table entry of its own
  UserDesc desc{};
  desc.entryNumber = selector >> 3;
  if (LinuxSyscall(kGetThreadArea, &desc) != 0 || desc.baseAddress == base) return;
  desc.baseAddress = base;
  LinuxSyscall(kSetThreadArea, &desc);
}

// Only Wine on Linux takes Linux system calls; Windows itself would not.
bool UnderWine() {
  static const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

}  // namespace

void RepairThreadSegments() {
  if (!UnderWine()) return;
  PointEntryAt(FsSelector(), FsBase());
  PointEntryAt(GsSelector(), GsBase());
}

}  // namespace standin
