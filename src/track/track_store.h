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
  TrackStore() = default;
  // The cursor refers into this very list.
  TrackStore(const TrackStore&) = delete;
  TrackStore& operator=(const TrackStore&) = delete;

  void Clear();
  // Throws std::bad_alloc when memory runs out, leaving the store as it was.
  void Append(const TrackPoint& point);
  uint32_t Count() const;
  const TrackPoint& First() const;  // only while Count() != 0
  const TrackPoint& Last() const;   // only while Count() != 0
  void SetCursorToFirst();          // only while Count() != 0

 private:
  friend bool LookupPosition(TrackStore& store, int32_t moment, double& latitude, double& longitude);
  friend struct TrackStoreInspector;  // lets tests place and read the cursor

  // A doubly linked list: constant-time appends, and the cursor steps one
  // point at a time in either direction without invalidation by appends.
  using Points = std::list<TrackPoint>;
  Points points_;
  // Always on a point while points_ is not empty, so that a lookup after any
  // sequence of appends stays defined; end() while it is empty.
  Points::iterator cursor_ = points_.end();
};

// Latitude and longitude at a moment (signed 32-bit UTC seconds). False with
// both outputs 0 when the store is empty. Moves the store's cursor; allocates
// nothing and never searches from the start.
bool LookupPosition(TrackStore& store, int32_t moment, double& latitude, double& longitude);

}  // namespace meridel
