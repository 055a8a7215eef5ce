#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace yumekaze::app {

// What happens when a file ends.
enum class TRepeatMode { Off, All, One };

// The play list: its entries and the position of the entry loaded last (PlayListIndex). Next
// and previous wrap around at either end. Shuffling walks a random order of all entries that
// starts at the current one, so what follows is known ahead and each entry plays once a round.
class TPlayList {
 public:
  // A new selection starts at its first entry.
  void Assign(const QStringList& files);
  // Adds entries at the end; the index stays where it was.
  void Append(const QStringList& files);
  // Empties the list; the index stays where it was.
  void Clear();
  // Removes one entry; the index keeps pointing at the same entry where it still exists.
  void Remove(int index);
  // Moves the entry at from to position to; the index follows the entry it pointed at.
  void Move(int from, int to);
  void SetPlayListIndex(int index);

  int Count() const { return static_cast<int>(entries_.size()); }
  const QStringList& Entries() const { return entries_; }
  int PlayListIndex() const { return index_; }
  // The entry at PlayListIndex; throws std::out_of_range when there is none.
  const QString& Current() const;

  TRepeatMode Repeat() const { return repeat_; }
  void SetRepeat(TRepeatMode mode) { repeat_ = mode; }
  bool Shuffle() const { return shuffle_; }
  // Turning shuffle on starts a new random round at the current entry.
  void SetShuffle(bool on);

  // Next entry (the next in the random round when shuffling), or the first after the last.
  void Advance();
  // Previous entry (the previous in the round when shuffling), or the last before the first
  // (-1 on an empty list, which Current rejects).
  void Back();
  // Moves on after a file ended, as the repeat mode says. False when the list is done.
  bool AdvanceAfterEnd();
  // The entry AdvanceAfterEnd moves to, known ahead so that it can follow without a gap; -1 when
  // the list is done there.
  int FollowingEntry() const;
  // Back to the start once the list is done: the first entry, or a new round when shuffling.
  void Rewind();

 private:
  // A random order of every entry with `first` first (or any first when it is not an entry).
  void NewRound(int first);
  int RoundPosition() const;  // of index_ in the round; -1 when it is not in it

  QStringList entries_;
  int index_ = 0;
  TRepeatMode repeat_ = TRepeatMode::All;
  bool shuffle_ = false;
  std::vector<int> round_;  // entry indexes in shuffled order, while shuffling
};

}  // namespace yumekaze::app
