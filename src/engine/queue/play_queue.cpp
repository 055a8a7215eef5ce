#include "engine/queue/play_queue.h"

#include <algorithm>
#include <numeric>
#include <random>
#include <utility>

namespace yumekaze::engine {

namespace {

std::mt19937_64& Random() {
  thread_local std::mt19937_64 random{std::random_device{}()};
  return random;
}

}  // namespace

void TMPPlayQueue::Assign(std::vector<std::string> paths) {
  entries_.clear();
  round_.clear();
  Append(paths);
  current_ = entries_.empty() ? 0 : entries_.front().id;
  removed_ = false;
  place_ = 0;
  if (shuffle_) NewRound(0);
}

void TMPPlayQueue::Append(const std::vector<std::string>& paths) {
  const int first = Count();
  for (const std::string& path : paths) entries_.push_back({nextId_++, path});
  if (!shuffle_) return;
  // The new entries play later in this round, in an order of their own.
  std::vector<uint64_t> added;
  for (int i = first; i < Count(); ++i) added.push_back(entries_[static_cast<size_t>(i)].id);
  std::shuffle(added.begin(), added.end(), Random());
  round_.insert(round_.end(), added.begin(), added.end());
}

void TMPPlayQueue::Remove(int index) {
  if (index < 0 || index >= Count()) return;
  const uint64_t id = entries_[static_cast<size_t>(index)].id;
  const auto inRound = std::find(round_.begin(), round_.end(), id);
  const int roundIndex = static_cast<int>(inRound - round_.begin());
  if (id == current_ && !removed_) {
    // The gap it leaves stands for it: what follows is what now takes its place.
    removed_ = true;
    place_ = index;
    roundPlace_ = roundIndex;
  } else if (removed_) {
    if (index < place_) --place_;
    if (inRound != round_.end() && roundIndex < roundPlace_) --roundPlace_;
  }
  entries_.erase(entries_.begin() + index);
  if (inRound != round_.end()) round_.erase(inRound);
}

void TMPPlayQueue::Clear() {
  if (current_ != 0) removed_ = true;
  place_ = 0;
  roundPlace_ = 0;
  entries_.clear();
  round_.clear();
}

void TMPPlayQueue::Move(int from, int to) {
  if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return;
  const TEntry moved = entries_[static_cast<size_t>(from)];
  entries_.erase(entries_.begin() + from);
  entries_.insert(entries_.begin() + to, moved);
  if (!removed_) return;
  // The gap of the removed current entry stays before the entry that took its place.
  if (from == place_) {
    place_ = to;
    return;
  }
  if (from < place_) --place_;
  if (to <= place_) ++place_;
}

int TMPPlayQueue::IndexOf(uint64_t id) const {
  const auto at = std::find_if(entries_.begin(), entries_.end(),
                               [id](const TEntry& entry) { return entry.id == id; });
  return at == entries_.end() ? -1 : static_cast<int>(at - entries_.begin());
}

int TMPPlayQueue::CurrentIndex() const { return removed_ ? -1 : IndexOf(current_); }

void TMPPlayQueue::SetCurrent(int index) {
  if (index < 0 || index >= Count()) return;
  current_ = entries_[static_cast<size_t>(index)].id;
  removed_ = false;
  // An entry missing from the round (none should be) starts a new one.
  if (shuffle_ && RoundPosition() < 0) NewRound(index);
}

void TMPPlayQueue::SetShuffle(bool on) {
  if (on == shuffle_) return;
  shuffle_ = on;
  if (on) {
    NewRound(CurrentIndex());
    if (removed_) roundPlace_ = 0;
  } else {
    round_.clear();
  }
}

void TMPPlayQueue::NewRound(int first) {
  round_.clear();
  for (const TEntry& entry : entries_) round_.push_back(entry.id);
  auto rest = round_.begin();
  if (first >= 0 && first < Count()) {
    std::swap(round_[0], round_[static_cast<size_t>(first)]);
    ++rest;
  }
  std::shuffle(rest, round_.end(), Random());
}

int TMPPlayQueue::RoundPosition() const {
  if (removed_) return roundPlace_;
  const auto at = std::find(round_.begin(), round_.end(), current_);
  return at == round_.end() ? -1 : static_cast<int>(at - round_.begin());
}

int TMPPlayQueue::Step(int direction, bool wrap) const {
  // Steps go through the shuffled round or through the list; k is a place in that order.
  const int size = shuffle_ ? static_cast<int>(round_.size()) : Count();
  if (Count() == 0 || size == 0) return -1;
  const auto entryAt = [this](int k) {
    return shuffle_ ? IndexOf(round_[static_cast<size_t>(k)]) : k;
  };
  const int position = shuffle_ ? RoundPosition() : removed_ ? place_ : IndexOf(current_);
  if (position < 0) return direction > 0 ? entryAt(0) : -1;  // nothing loaded yet: it starts
  // A removed entry's gap holds the place of the entry after it.
  int target = position + (direction > 0 ? (removed_ ? 0 : 1) : -1);
  if (target < 0 || target >= size) {
    if (!wrap) return -1;
    target = direction > 0 ? 0 : size - 1;
  }
  return entryAt(target);
}

int TMPPlayQueue::NextIndex() const { return Step(+1, Wraps()); }

int TMPPlayQueue::PreviousIndex() const { return Step(-1, Wraps()); }

int TMPPlayQueue::FollowingIndex() const { return stopAfterCurrent_ ? -1 : EntryAfterEnd(); }

int TMPPlayQueue::EntryAfterEnd() const {
  const int current = CurrentIndex();
  if (repeat_ == TMPRepeatMode::One && !singlePass_ && current >= 0) return current;
  return Step(+1, Wraps());
}

bool TMPPlayQueue::Next() {
  const int next = NextIndex();
  if (next < 0) return false;
  // Past the round's end a new round starts with the entry said ahead.
  const bool newRound = shuffle_ && RoundPosition() + (removed_ ? 0 : 1) >= Count();
  SetCurrent(next);
  if (newRound) NewRound(next);
  return true;
}

bool TMPPlayQueue::Previous() {
  const int previous = PreviousIndex();
  if (previous < 0) return false;
  SetCurrent(previous);
  return true;
}

TMPAfterEnd TMPPlayQueue::AdvanceAfterEnd() {
  const bool stop = std::exchange(stopAfterCurrent_, false);
  const int following = EntryAfterEnd();
  if (following < 0) return TMPAfterEnd::Done;
  // Repeating the one entry stays on it; otherwise the step is Next's, shuffle rounds included.
  if (following != CurrentIndex() && !Next()) return TMPAfterEnd::Done;
  return stop ? TMPAfterEnd::Stop : TMPAfterEnd::Play;
}

void TMPPlayQueue::Rewind() {
  if (Count() == 0) return;
  if (shuffle_) NewRound(-1);
  SetCurrent(shuffle_ ? IndexOf(round_.front()) : 0);
}

}  // namespace yumekaze::engine
