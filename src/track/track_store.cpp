#include "track/track_store.h"

#include <iterator>

namespace meridel {
namespace {

// later - earlier in wrapping signed 32-bit arithmetic, as a double: times
// far apart wrap instead of overflowing.
double TimeDifference(int32_t later, int32_t earlier) {
  const uint32_t wrapped = static_cast<uint32_t>(later) - static_cast<uint32_t>(earlier);
  return static_cast<double>(static_cast<int32_t>(wrapped));
}

}  // namespace

void TrackStore::Clear() {
  points_.clear();
  cursor_ = points_.end();
}

void TrackStore::Append(const TrackPoint& point) {
  points_.push_back(point);
  if (cursor_ == points_.end()) cursor_ = points_.begin();
}

uint32_t TrackStore::Count() const { return static_cast<uint32_t>(points_.size()); }

const TrackPoint& TrackStore::First() const { return points_.front(); }

const TrackPoint& TrackStore::Last() const { return points_.back(); }

void TrackStore::SetCursorToFirst() { cursor_ = points_.begin(); }

bool LookupPosition(TrackStore& store, int32_t moment, double& latitude, double& longitude) {
  latitude = 0.0;
  longitude = 0.0;
  if (store.points_.empty()) return false;

  const auto first = store.points_.begin();
  const auto end = store.points_.end();
  auto cursor = store.cursor_;
  while (cursor != first && cursor->time > moment) --cursor;
  for (auto next = std::next(cursor); next != end && next->time < moment; ++next) cursor = next;
  store.cursor_ = cursor;

  const TrackPoint& from = *cursor;
  const auto next = std::next(cursor);
  // The interval that starts at the first point is deliberately not
  // interpolated: it yields the first point, like every moment before it.
  if (cursor == first || from.time >= moment || next == end) {
    latitude = from.latitude;
    longitude = from.longitude;
  } else if (next->time > moment) {
    const TrackPoint& to = *next;
    const double ratio = TimeDifference(moment, from.time) / TimeDifference(to.time, from.time);
    latitude = ratio * (to.latitude - from.latitude) + from.latitude;
    longitude = ratio * (to.longitude - from.longitude) + from.longitude;
  } else {
    latitude = next->latitude;
    longitude = next->longitude;
  }
  return true;
}

}  // namespace meridel
