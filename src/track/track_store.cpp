// PLACEHOLDER: replaced by the track-data work.
#include "track/track_store.h"
namespace meridel {
void TrackStore::Clear() { points_.clear(); }
void TrackStore::Append(const TrackPoint& point) { points_.push_back(point); }
uint32_t TrackStore::Count() const { return static_cast<uint32_t>(points_.size()); }
const TrackPoint& TrackStore::First() const { return points_.front(); }
void TrackStore::SetCursorToFirst() { cursor_ = points_.begin(); }
TrackStore* CreateTrackStore() { return new TrackStore; }
void ReleaseTrackStore(TrackStore* store) { delete store; }
bool LookupPosition(TrackStore*, int32_t, double& latitude, double& longitude) { latitude = longitude = 0; return false; }
}  // namespace meridel
