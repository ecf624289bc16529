// The points of the last imported track, in file order, and the position
// lookup that walks a cursor from where the previous lookup stopped.
#pragma once

#include <cstdint>
#include <list>

namespace meridel {

struct TrackPoint {
  double latitude;
  double longitude;
  int32_t time;  // UTC seconds; -1 when the GPX time could not be converted
};

class TrackStore {
 public:
  void Clear();
  void Append(const TrackPoint& point);
  uint32_t Count() const;
  const TrackPoint& First() const;  // only while Count() != 0
  void SetCursorToFirst();          // only while Count() != 0

 private:
  friend bool LookupPosition(TrackStore* store, int32_t moment, double& latitude, double& longitude);
  using Points = std::list<TrackPoint>;
  Points points_;
  // Valid only while points_ is not empty; Clear leaves it dangling on purpose,
  // since nothing reads it until the next import sets it.
  Points::iterator cursor_{};
};

TrackStore* CreateTrackStore();         // null when memory runs out
void ReleaseTrackStore(TrackStore* store);

// Latitude and longitude at a moment (signed 32-bit UTC seconds). False with
// both outputs 0 when the store is absent or empty. Moves the store's cursor.
bool LookupPosition(TrackStore* store, int32_t moment, double& latitude, double& longitude);

}  // namespace meridel
