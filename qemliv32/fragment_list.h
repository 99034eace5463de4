// FragmentList: frame fragments waiting for the rest of their run, kept in
// order of (stream, frame number, fragment index). A run - index 1, then
// indexes rising by exactly one, ending with the last-fragment bit - is
// joined into one MediaFrame as soon as its last missing piece arrives.
//
// The list is bounded between purges: at most kMaxFragments entries and
// kMaxBytes of datagram blocks held alive by them (each fragment counts its
// whole block, since its view keeps the block). When a new fragment would
// pass either bound, the lowest-ordered fragments go first: they belong to
// the oldest frames, which the purge would discard soonest anyway.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <tuple>

#include "qemliv32/media_frame.h"
#include "qemliv32/packet_buffer.h"

namespace qem {

struct Fragment {
  MediaStream stream = MediaStream::video;
  uint32_t number = 0;  // the entry's frame number
  uint8_t index = 0;    // from 1
  bool last = false;
  uint32_t time = 0;
  PacketView bytes;
};

class FragmentList {
 public:
  static constexpr std::size_t kMaxFragments = 1024;
  static constexpr std::size_t kMaxBytes = std::size_t(4) << 20;

  // Takes one fragment (a copy of a fragment already held is dropped). True
  // when it completed a run: `assembled` then holds the joined frame (number
  // = frame number + 1, time of the first fragment) and the run is gone.
  bool add(Fragment fragment, MediaFrame& assembled);
  // Drops fragments whose time is at most cutoff.
  void purge(uint32_t cutoff);
  void clear();

  std::size_t size() const { return fragments_.size(); }
  std::size_t held_bytes() const { return held_bytes_; }

 private:
  // (stream, frame number, fragment index)
  using Key = std::tuple<uint8_t, uint32_t, uint8_t>;
  using Map = std::map<Key, Fragment>;

  void evict_to_fit();
  bool take_run(const Fragment& added, MediaFrame& assembled);
  void erase(Map::iterator from, Map::iterator to);

  Map fragments_;
  std::size_t held_bytes_ = 0;
};

}  // namespace qem
