#pragma once

#include <QString>
#include <QStringList>

namespace yumekaze::app {

// What happens when a file ends.
enum class TRepeatMode { Off, All, One };

// The play list: its entries and the position of the entry loaded last (PlayListIndex). Next
// and previous wrap around at either end.
class TPlayList {
 public:
  // A new selection starts at its first entry.
  void Assign(const QStringList& files);
  // Adds entries at the end; the index stays where it was.
  void Append(const QStringList& files);
  // Empties the list; the index stays where it was.
  void Clear() { entries_.clear(); }
  // Removes one entry; the index keeps pointing at the same entry where it still exists.
  void Remove(int index);
  // Moves the entry at from to position to; the index follows the entry it pointed at.
  void Move(int from, int to);
  void SetPlayListIndex(int index) { index_ = index; }

  int Count() const { return static_cast<int>(entries_.size()); }
  const QStringList& Entries() const { return entries_; }
  int PlayListIndex() const { return index_; }
  // The entry at PlayListIndex; throws std::out_of_range when there is none.
  const QString& Current() const;

  TRepeatMode Repeat() const { return repeat_; }
  void SetRepeat(TRepeatMode mode) { repeat_ = mode; }
  bool Shuffle() const { return shuffle_; }
  void SetShuffle(bool on) { shuffle_ = on; }

  // Next entry (a random other one when shuffling), or the first after the last.
  void Advance();
  // Previous entry, or the last before the first (-1 on an empty list, which Current rejects).
  void Back();
  // Moves on after a file ended, as the repeat mode says. False when the list is done.
  bool AdvanceAfterEnd();
  // The entry AdvanceAfterEnd moves to, known ahead so that it can follow without a gap; -1 when
  // the list is done there or shuffling leaves it to chance.
  int FollowingEntry() const;

 private:
  QStringList entries_;
  int index_ = 0;
  TRepeatMode repeat_ = TRepeatMode::All;
  bool shuffle_ = false;
};

}  // namespace yumekaze::app
