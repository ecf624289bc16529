// Imports that run out of memory, provoked with an address-space limit in a
// forked child, so that the limit never touches the rest of the suite.
#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/filter_state.h"
#include "host/overlay_settings.h"
#include "platform/fake/fake_platform.h"
#include "support/import_message.h"
#include "support/track_files.h"
#include "track/gpx_import.h"
#include "track/track_store.h"

#if defined(__SANITIZE_ADDRESS__)
#define MERIDEL_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MERIDEL_ADDRESS_SANITIZER 1
#endif
#endif

namespace meridel {
namespace {

constexpr int kPoints = 10000;
constexpr int32_t kOldBaseTime = 777;
constexpr int32_t kFirstTime = 1433154030;  // 2015-06-01T10:20:30Z

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

void LimitAddressSpace(rlim_t limit) {
  rlimit current{};
  getrlimit(RLIMIT_AS, &current);
  current.rlim_cur = limit;
  if (setrlimit(RLIMIT_AS, &current) != 0) std::_Exit(10);
}

void LiftAddressSpaceLimit() {
  rlimit current{};
  getrlimit(RLIMIT_AS, &current);
  current.rlim_cur = current.rlim_max;
  setrlimit(RLIMIT_AS, &current);
}

class GpxImportOutOfMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef MERIDEL_ADDRESS_SANITIZER
    GTEST_SKIP() << "an address-space limit and the sanitizer's shadow memory exclude each other";
#endif
    fake::Reset();
    overlaySettings = OverlaySettings{};
    overlaySettings.baseTime = kOldBaseTime;
    filterState = FilterState{};
  }
};

// Imports with `headroom` bytes of address space beyond `base`.
// A failed import must leave an empty store, the old baseTime and "File load
// error"; a successful one must have read the whole file. Any other outcome
// ends the child with a code that names it.
bool ImportWithHeadroom(const std::string& path, size_t base, size_t headroom) {
  // Unmap what the last import left, or this one would find it still mapped.
  filterState.trackStore->Clear();
  malloc_trim(0);
  filterState.trackStore->Append({1.0, 1.0, 5});  // a previous track
  fake::State().messageBoxes.clear();
  LimitAddressSpace(base + headroom);
  ImportGpx(path);
  LiftAddressSpaceLimit();
  if (fake::State().messageBoxes.size() != 1) std::_Exit(11);
  const std::string& message = fake::State().messageBoxes.front().text;
  if (message == test_support::kLoadError) {
    if (filterState.trackStore->Count() != 0 || overlaySettings.baseTime != kOldBaseTime) std::_Exit(12);
    return false;
  }
  const bool whole = message == test_support::ImportSummary(kPoints) && filterState.trackStore->Count() == kPoints &&
                     overlaySettings.baseTime == kFirstTime;
  if (!whole) std::_Exit(13);
  overlaySettings.baseTime = kOldBaseTime;
  return true;
}

// Finds the least headroom that suffices, then fails just below it, where
// the document is loaded and the points run out of memory one by one.
void ImportUnderLimits(const std::string& path) {
  filterState.trackStore = CreateTrackStore();
  fake::State().messageBoxes.reserve(4);
  constexpr size_t kStep = 64 << 10;
  // Fixed, so that memory the heap keeps after one import counts against the next.
  const size_t base = AddressSpaceInUse();
  if (ImportWithHeadroom(path, base, 0)) std::_Exit(14);
  size_t failing = 0;
  size_t enough = 1 << 20;
  while (!ImportWithHeadroom(path, base, enough)) {
    if (enough > (size_t{1} << 30)) std::_Exit(15);
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
  std::_Exit(0);
}

TEST_F(GpxImportOutOfMemoryTest, EveryFailureLeavesAnEmptyStoreAndTheOldBaseTime) {
  const test_support::TempFile file(LargeGpx());
  EXPECT_EXIT(ImportUnderLimits(file.path()), ::testing::ExitedWithCode(0), "");
}

// Start-up made no store and even the import cannot make one.
void ImportWithMemoryExhausted(std::string path) {
  fake::State().messageBoxes.reserve(4);
  LimitAddressSpace(AddressSpaceInUse() + (1 << 20));
  // Take every byte there is, in a chain through the blocks themselves.
  void* blocks = nullptr;
  for (size_t size = 1 << 20; size >= sizeof(void*); size /= 2) {
    while (void* block = std::malloc(size)) {
      *static_cast<void**>(block) = blocks;
      blocks = block;
    }
  }
  ImportGpx(std::move(path));
  while (blocks) {
    void* next = *static_cast<void**>(blocks);
    std::free(blocks);
    blocks = next;
  }
  LiftAddressSpaceLimit();
  const bool loadError =
      fake::State().messageBoxes.size() == 1 && fake::State().messageBoxes.front().text == test_support::kLoadError;
  std::_Exit(loadError && !filterState.trackStore && overlaySettings.baseTime == kOldBaseTime ? 0 : 1);
}

TEST_F(GpxImportOutOfMemoryTest, NoStoreAndNoMemoryForOneIsALoadError) {
  const test_support::TempFile file(test_support::GpxWithSegment("<trkpt lat=\"1\" lon=\"2\"/>"));
  EXPECT_EXIT(ImportWithMemoryExhausted(file.path()), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace meridel
