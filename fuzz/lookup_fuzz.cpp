// LookupPosition over arbitrary stores and sequences of moments, appends,
// clears and cursor resets, against a model over a vector that follows the
// lookup's steps by index. Answers must match bit for bit, the cursor must
// stand where the model's does, the model's walk must take no more steps
// than the distance between the old and the new cursor, and a lookup must
// not allocate.
#include <sanitizer/allocator_interface.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "support/track_files.h"
#include "track/track_store.h"

namespace {

using meridel::TrackPoint;

size_t allocations = 0;
void CountAllocation(const volatile void*, size_t) { ++allocations; }
void IgnoreRelease(const volatile void*) {}

// The time differences of the interpolation wrap like signed 32-bit integers.
double Difference(int32_t later, int32_t earlier) {
  return static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(later) - static_cast<uint32_t>(earlier)));
}

struct Answer {
  bool found = false;
  double latitude = 0.0;
  double longitude = 0.0;
};

struct Model {
  std::vector<TrackPoint> points;
  size_t cursor = 0;  // meaningful while points is not empty

  void Append(const TrackPoint& point) {
    if (points.empty()) cursor = 0;
    points.push_back(point);
  }

  Answer Lookup(int32_t moment) {
    Answer answer;
    if (points.empty()) return answer;
    const size_t start = cursor;
    size_t steps = 0;
    size_t at = cursor;
    while (at != 0 && points[at].time > moment) --at, ++steps;
    while (at + 1 < points.size() && points[at + 1].time < moment) ++at, ++steps;
    cursor = at;
    fuzz::Require(steps <= (at > start ? at - start : start - at), "the walk takes no step beyond the distance");

    const TrackPoint& from = points[at];
    answer.found = true;
    if (at == 0 || from.time >= moment || at + 1 == points.size()) {
      answer.latitude = from.latitude;
      answer.longitude = from.longitude;
    } else if (const TrackPoint& to = points[at + 1]; to.time > moment) {
      const double ratio = Difference(moment, from.time) / Difference(to.time, from.time);
      answer.latitude = ratio * (to.latitude - from.latitude) + from.latitude;
      answer.longitude = ratio * (to.longitude - from.longitude) + from.longitude;
    } else {
      answer.latitude = to.latitude;
      answer.longitude = to.longitude;
    }
    return answer;
  }
};

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void CheckLookup(meridel::TrackStore& store, Model& model, int32_t moment) {
  const Answer expected = model.Lookup(moment);
  double latitude = 1.0;
  double longitude = 1.0;
  const size_t allocationsBefore = allocations;
  const bool found = meridel::LookupPosition(store, moment, latitude, longitude);
  fuzz::Require(allocations == allocationsBefore, "a lookup allocates nothing");
  fuzz::Require(found == expected.found, "the same success flag");
  fuzz::Require(SameBits(latitude, expected.latitude) && SameBits(longitude, expected.longitude),
                "the same coordinates, bit for bit");
  if (found) {
    const size_t cursor = meridel::TrackStoreInspector::CursorIndex(store);
    fuzz::Require(cursor < store.Count(), "the cursor stands on a point");
    fuzz::Require(cursor == model.cursor, "the cursor stands where the model's does");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  __sanitizer_install_malloc_and_free_hooks(CountAllocation, IgnoreRelease);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  meridel::TrackStore store;
  Model model;
  for (uint8_t count = input.Take<uint8_t>(); count > 0; --count) {
    const TrackPoint point = input.TakePoint();
    store.Append(point);
    model.Append(point);
  }

  // Lookups weigh most: they are what the frames do between imports.
  enum Operation { kLookup, kLookupAgain, kLookupOnceMore, kAppend, kCursorToFirst, kClear, kOperationCount };
  while (!input.Empty()) {
    switch (input.Take<uint8_t>() % kOperationCount) {
      case kLookup:
      case kLookupAgain:
      case kLookupOnceMore:
        CheckLookup(store, model, input.TakeTime());
        break;
      case kAppend: {
        const TrackPoint point = input.TakePoint();
        store.Append(point);
        model.Append(point);
        break;
      }
      case kCursorToFirst:
        if (store.Count() != 0) {
          store.SetCursorToFirst();
          model.cursor = 0;
        }
        break;
      case kClear:
        store.Clear();
        model.points.clear();
        break;
    }
    fuzz::Require(store.Count() == model.points.size(), "the same number of points");
  }
  return 0;
}
