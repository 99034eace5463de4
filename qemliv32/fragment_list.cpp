#include "qemliv32/fragment_list.h"

#include <cstring>

namespace qem {
namespace {

std::size_t held_by(const Fragment& f) { return f.bytes.buffer().size(); }

}  // namespace

bool FragmentList::add(Fragment fragment, MediaFrame& assembled) {
  Key key{uint8_t(fragment.stream), fragment.number, fragment.index};
  std::size_t held = held_by(fragment);
  auto [at, inserted] = fragments_.emplace(key, std::move(fragment));
  if (!inserted) return false;  // held already
  held_bytes_ += held;
  // A completed run leaves at once, so it never costs an older fragment its place.
  if (take_run(at->second, assembled)) return true;
  evict_to_fit();
  return false;
}

void FragmentList::evict_to_fit() {
  while (!fragments_.empty() && (fragments_.size() > kMaxFragments || held_bytes_ > kMaxBytes))
    erase(fragments_.begin(), std::next(fragments_.begin()));
}

bool FragmentList::take_run(const Fragment& added, MediaFrame& assembled) {
  const uint8_t stream = uint8_t(added.stream);
  const uint32_t number = added.number;
  auto first = fragments_.lower_bound(Key{stream, number, 0});
  auto run_end = first;
  std::size_t total = 0;
  uint8_t expect = 1;
  for (;;) {
    if (run_end == fragments_.end()) return false;
    const Key& k = run_end->first;
    if (std::get<0>(k) != stream || std::get<1>(k) != number || std::get<2>(k) != expect)
      return false;
    total += run_end->second.bytes.size();
    bool last = run_end->second.last;
    ++run_end;
    if (last) break;
    ++expect;
  }
  PacketBuffer joined = PacketBuffer::allocate(total, PacketBuffer::Channel::data);
  bool ok = bool(joined);
  if (ok) {
    std::size_t at = 0;
    for (auto it = first; it != run_end; ++it) {
      const PacketView& piece = it->second.bytes;
      if (piece.size()) std::memcpy(joined.data() + at, piece.data(), piece.size());
      at += piece.size();
    }
    joined.set_received(total);
    assembled.number = number + 1;
    assembled.time = first->second.time;
    assembled.stream = first->second.stream;
    assembled.bytes = PacketView(std::move(joined), 0, total);
  }
  // Without memory the run is dropped all the same: it could never complete again.
  erase(first, run_end);
  return ok;
}

void FragmentList::erase(Map::iterator from, Map::iterator to) {
  for (auto it = from; it != to; ++it) held_bytes_ -= held_by(it->second);
  fragments_.erase(from, to);
}

void FragmentList::purge(uint32_t cutoff) {
  for (auto it = fragments_.begin(); it != fragments_.end();) {
    auto next = std::next(it);
    if (it->second.time <= cutoff) erase(it, next);
    it = next;
  }
}

void FragmentList::clear() {
  fragments_.clear();
  held_bytes_ = 0;
}

}  // namespace qem
