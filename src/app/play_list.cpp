#include "app/play_list.h"

#include <QRandomGenerator>
#include <stdexcept>

namespace yumekaze::app {

void TPlayList::Assign(const QStringList& files) {
  entries_ = files;
  index_ = 0;
}

void TPlayList::Append(const QStringList& files) { entries_ += files; }

void TPlayList::Remove(int index) {
  if (index < 0 || index >= Count()) return;
  entries_.removeAt(index);
  if (index < index_ || (index == index_ && index_ >= Count())) --index_;
  if (index_ < 0) index_ = 0;
}

void TPlayList::Move(int from, int to) {
  if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return;
  entries_.move(from, to);
  if (index_ == from) {
    index_ = to;
  } else if (from < index_ && to >= index_) {
    --index_;
  } else if (from > index_ && to <= index_) {
    ++index_;
  }
}

const QString& TPlayList::Current() const {
  if (index_ < 0 || index_ >= Count()) {
    throw std::out_of_range("play list index " + std::to_string(index_) + " out of bounds");
  }
  return entries_[index_];
}

void TPlayList::Advance() {
  if (shuffle_ && Count() > 1) {
    // Any entry but the one just played.
    const int step = static_cast<int>(QRandomGenerator::global()->bounded(Count() - 1)) + 1;
    index_ = (std::max(index_, 0) + step) % Count();
    return;
  }
  index_ = index_ + 1 < Count() ? index_ + 1 : 0;
}

void TPlayList::Back() { index_ = index_ > 0 ? index_ - 1 : Count() - 1; }

bool TPlayList::AdvanceAfterEnd() {
  switch (repeat_) {
    case TRepeatMode::One:
      return true;
    case TRepeatMode::Off:
      if (!shuffle_ && index_ + 1 >= Count()) return false;
      break;
    case TRepeatMode::All:
      break;
  }
  Advance();
  return true;
}

int TPlayList::FollowingEntry() const {
  if (index_ < 0 || index_ >= Count()) return -1;
  if (repeat_ == TRepeatMode::One) return index_;
  if (shuffle_) return -1;
  if (index_ + 1 < Count()) return index_ + 1;
  return repeat_ == TRepeatMode::All ? 0 : -1;
}

}  // namespace yumekaze::app
