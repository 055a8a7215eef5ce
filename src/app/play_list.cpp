#include "app/play_list.h"

#include <QRandomGenerator>
#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace yumekaze::app {

void TPlayList::Assign(const QStringList& files) {
  entries_ = files;
  index_ = 0;
  if (shuffle_) NewRound(0);
}

void TPlayList::Append(const QStringList& files) {
  const int first = Count();
  entries_ += files;
  if (!shuffle_) return;
  // The new entries play later in this round, in an order of their own.
  std::vector<int> added(files.size());
  std::iota(added.begin(), added.end(), first);
  std::shuffle(added.begin(), added.end(), *QRandomGenerator::global());
  round_.insert(round_.end(), added.begin(), added.end());
}

void TPlayList::Clear() {
  entries_.clear();
  round_.clear();
}

void TPlayList::Remove(int index) {
  if (index < 0 || index >= Count()) return;
  entries_.removeAt(index);
  if (index < index_ || (index == index_ && index_ >= Count())) --index_;
  if (index_ < 0) index_ = 0;
  std::erase(round_, index);
  for (int& entry : round_) {
    if (entry > index) --entry;
  }
}

void TPlayList::Move(int from, int to) {
  if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return;
  entries_.move(from, to);
  // Where an entry at k before the move is now.
  const auto moved = [from, to](int k) {
    if (k == from) return to;
    if (from < k && k <= to) return k - 1;
    if (to <= k && k < from) return k + 1;
    return k;
  };
  index_ = moved(index_);
  for (int& entry : round_) entry = moved(entry);
}

void TPlayList::SetPlayListIndex(int index) { index_ = index; }

const QString& TPlayList::Current() const {
  if (index_ < 0 || index_ >= Count()) {
    throw std::out_of_range("play list index " + std::to_string(index_) + " out of bounds");
  }
  return entries_[index_];
}

void TPlayList::SetShuffle(bool on) {
  if (on == shuffle_) return;
  shuffle_ = on;
  if (on) {
    NewRound(index_);
  } else {
    round_.clear();
  }
}

void TPlayList::NewRound(int first) {
  round_.resize(entries_.size());
  std::iota(round_.begin(), round_.end(), 0);
  auto rest = round_.begin();
  if (first >= 0 && first < Count()) {
    std::swap(round_[0], round_[first]);
    ++rest;
  }
  std::shuffle(rest, round_.end(), *QRandomGenerator::global());
}

int TPlayList::RoundPosition() const {
  const auto at = std::find(round_.begin(), round_.end(), index_);
  return at == round_.end() ? -1 : static_cast<int>(at - round_.begin());
}

void TPlayList::Advance() {
  if (shuffle_ && Count() > 1) {
    const int position = RoundPosition();
    if (position >= 0 && position + 1 < Count()) {
      index_ = round_[position + 1];
      return;
    }
    // A new round, starting where FollowingEntry said the old one goes on.
    NewRound(position < 0 ? -1 : round_[0]);
    index_ = round_[0];
    return;
  }
  index_ = index_ + 1 < Count() ? index_ + 1 : 0;
}

void TPlayList::Back() {
  if (shuffle_ && Count() > 1) {
    const int position = RoundPosition();
    index_ = position > 0 ? round_[position - 1] : round_.back();
    return;
  }
  index_ = index_ > 0 ? index_ - 1 : Count() - 1;
}

bool TPlayList::AdvanceAfterEnd() {
  if (FollowingEntry() < 0) return false;
  if (repeat_ == TRepeatMode::One) return true;
  Advance();
  return true;
}

int TPlayList::FollowingEntry() const {
  if (index_ < 0 || index_ >= Count()) return -1;
  if (repeat_ == TRepeatMode::One) return index_;
  if (shuffle_ && Count() > 1) {
    const int position = RoundPosition();
    if (position < 0) return -1;
    if (position + 1 < Count()) return round_[position + 1];
    return repeat_ == TRepeatMode::All ? round_[0] : -1;
  }
  if (index_ + 1 < Count()) return index_ + 1;
  return repeat_ == TRepeatMode::All ? 0 : -1;
}

void TPlayList::Rewind() {
  index_ = 0;
  if (!shuffle_ || Count() == 0) return;
  NewRound(-1);
  index_ = round_[0];
}

}  // namespace yumekaze::app
