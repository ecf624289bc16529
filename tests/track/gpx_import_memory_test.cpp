// Imports that run out of memory, provoked with an address-space limit in a
// forked child, so that the limit never touches the rest of the suite.
// Native only: the Windows build has neither fork nor address-space limits.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include "support/fake_platform.h"
#include "support/import_fixture.h"
#include "support/track_files.h"
#include "track/gpx_file_dialog.h"
#include "track/track_store.h"

#ifndef _WIN32
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define MERIDEL_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MERIDEL_ADDRESS_SANITIZER 1
#endif
#endif

namespace meridel {
namespace {

using test_support::kLoadError;
using test_support::kOldBaseTime;
using test_support::kT0;

class GpxImportOutOfMemoryTest : public test_support::GpxImportTest {
 protected:
  void SetUp() override {
#if defined(_WIN32)
    GTEST_SKIP() << "the Windows build has no fork and no address-space limit";
#elif defined(MERIDEL_ADDRESS_SANITIZER)
    GTEST_SKIP() << "an address-space limit and the sanitizer's shadow memory exclude each other";
#endif
    // A fresh process for each import under a limit: the heap that earlier
    // tests left (free blocks, other threads' arenas) would let an import
    // with no headroom succeed.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    GpxImportTest::SetUp();
    fake::State().messageBoxes.reserve(4);
  }

#ifndef _WIN32
  // Imports with `headroom` bytes of address space beyond `base`. A failed
  // import must leave an empty store, the old baseTime and "File load
  // error"; a successful one must have read the whole file. Any other
  // outcome ends the child with a code that names it.
  bool ImportWithHeadroom(const std::string& path, size_t base, size_t headroom);
  // Finds the least headroom that suffices, then fails just below it, where
  // the document is loaded and the points run out of memory one by one.
  void ImportUnderLimits(const std::string& path);
  // Every byte taken before the import starts.
  void ImportWithMemoryExhausted(const std::string& path);
#endif
};

#ifndef _WIN32

constexpr int kPoints = 10000;

std::string LargeGpx() {
  std::string segment;
  for (int i = 0; i < kPoints; ++i) {
    segment += "<trkpt lat=\"46." + std::to_string(100000 + i) + "\" lon=\"7.5\"><ele>600.5</ele>" +
               "<time>2015-06-01T10:20:30Z</time><extensions><hr>120</hr></extensions></trkpt>\n";
  }
  return test_support::GpxWithSegment(segment);
}

size_t AddressSpaceInUse() {
  unsigned long pages = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%lu", &pages) != 1) pages = 0;
    std::fclose(statm);
  }
  return pages * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// Ends the death test's child with `code`. The child ran the test from its
// start, so it made a file of its own at `path`, which no destructor removes.
[[noreturn]] void ExitChild(const std::string& path, int code) {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  std::_Exit(code);
}

void LimitAddressSpace(const std::string& path, rlim_t limit) {
  rlimit current{};
  getrlimit(RLIMIT_AS, &current);
  current.rlim_cur = limit;
  if (setrlimit(RLIMIT_AS, &current) != 0) ExitChild(path, 10);
}

void LiftAddressSpaceLimit() {
  rlimit current{};
  getrlimit(RLIMIT_AS, &current);
  current.rlim_cur = current.rlim_max;
  setrlimit(RLIMIT_AS, &current);
}

bool GpxImportOutOfMemoryTest::ImportWithHeadroom(const std::string& path, size_t base, size_t headroom) {
  // Unmap what the last import left, or this one would find it still mapped.
  store.Clear();
  malloc_trim(0);
  store.Append({1.0, 1.0, 5});  // a previous track
  fake::State().messageBoxes.clear();
  LimitAddressSpace(path, base + headroom);
  ImportGpx(path, store, baseTime);
  LiftAddressSpaceLimit();
  if (fake::State().messageBoxes.size() != 1) ExitChild(path, 11);
  const std::string& message = fake::State().messageBoxes.front().text;
  if (message == kLoadError) {
    if (store.Count() != 0 || baseTime != kOldBaseTime) ExitChild(path, 12);
    return false;
  }
  const bool whole = message == test_support::ImportSummary(kPoints) && store.Count() == kPoints && baseTime == kT0;
  if (!whole) ExitChild(path, 13);
  baseTime = kOldBaseTime;
  return true;
}

void GpxImportOutOfMemoryTest::ImportUnderLimits(const std::string& path) {
  constexpr size_t kStep = 64 << 10;
  // Fixed, so that memory the heap keeps after one import counts against the next.
  const size_t base = AddressSpaceInUse();
  if (ImportWithHeadroom(path, base, 0)) ExitChild(path, 14);
  size_t failing = 0;
  size_t enough = 1 << 20;
  while (!ImportWithHeadroom(path, base, enough)) {
    if (enough > (size_t{1} << 30)) ExitChild(path, 15);
    failing = enough;
    enough *= 2;
  }
  while (enough - failing > kStep) {
    const size_t middle = failing + (enough - failing) / 2;
    (ImportWithHeadroom(path, base, middle) ? enough : failing) = middle;
  }
  for (size_t below = kStep; below <= (1 << 20) && below < enough; below += kStep) {
    ImportWithHeadroom(path, base, enough - below);
  }
  ExitChild(path, 0);
}

void GpxImportOutOfMemoryTest::ImportWithMemoryExhausted(const std::string& path) {
  std::string imported = path;  // copied while there is memory to copy it
  store.Append({1.0, 1.0, 5});  // a previous track
  LimitAddressSpace(path, AddressSpaceInUse() + (1 << 20));
  // Take every byte there is, in a chain through the blocks themselves.
  void* blocks = nullptr;
  for (size_t size = 1 << 20; size >= sizeof(void*); size /= 2) {
    while (void* block = std::malloc(size)) {
      *static_cast<void**>(block) = blocks;
      blocks = block;
    }
  }
  ImportGpx(std::move(imported), store, baseTime);
  while (blocks) {
    void* next = *static_cast<void**>(blocks);
    std::free(blocks);
    blocks = next;
  }
  LiftAddressSpaceLimit();
  const bool loadError =
      fake::State().messageBoxes.size() == 1 && fake::State().messageBoxes.front().text == kLoadError;
  ExitChild(path, loadError && store.Count() == 0 && baseTime == kOldBaseTime ? 0 : 1);
}

#endif

TEST_F(GpxImportOutOfMemoryTest, EveryFailureLeavesAnEmptyStoreAndTheOldBaseTime) {
#ifndef _WIN32
  const test_support::TempFile file(LargeGpx());
  EXPECT_EXIT(ImportUnderLimits(file.path()), ::testing::ExitedWithCode(0), "");
#endif
}

TEST_F(GpxImportOutOfMemoryTest, NoMemoryAtAllIsALoadError) {
#ifndef _WIN32
  const test_support::TempFile file(test_support::GpxWithSegment("<trkpt lat=\"1\" lon=\"2\"/>"));
  EXPECT_EXIT(ImportWithMemoryExhausted(file.path()), ::testing::ExitedWithCode(0), "");
#endif
}

}  // namespace
}  // namespace meridel
