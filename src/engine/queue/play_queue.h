#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace yumekaze::engine {

// What happens when a file ends.
enum class TMPRepeatMode { Off, All, One };

// Where the end of a file leads: the (new) current entry plays; playback stops at the entry
// that follows (stop after the current file was asked for); or the list is done.
enum class TMPAfterEnd { Play, Stop, Done };

// The play list and where playback stands in it, for every front end (the window, the media
// interface, the terminal player): the order, the current entry, repeat and shuffle, where a
// command or the end of a file goes next, and which entry follows without a gap.
//
// Paths are the file system's bytes, never re-encoded. The current entry is the one loaded
// last; editing the list never moves it to another entry. When it is removed, the queue
// remembers where it stood: what then follows is the entry that took its place.
//
// Shuffling walks a random order of all entries that starts at the current one, so what follows
// is known ahead, each entry plays once a round, and Previous retraces the round.
class TMPPlayQueue {
 public:
  struct TEntry {
    uint64_t id;  // unique in this queue for its whole life
    std::string path;
  };

  // A new list whose current entry is its first.
  void Assign(std::vector<std::string> paths);
  // Adds entries at the end (in shuffled order later in this round, when shuffling).
  void Append(const std::vector<std::string>& paths);
  // Removes the entry at index; the current entry stays current even when it is the one removed.
  void Remove(int index);
  // Removes every entry; what follows the current entry is then nothing.
  void Clear();
  // Moves the entry at from to position to.
  void Move(int from, int to);

  int Count() const { return static_cast<int>(entries_.size()); }
  const std::vector<TEntry>& Entries() const { return entries_; }
  const std::string& PathAt(int index) const { return entries_[static_cast<size_t>(index)].path; }

  // The index of the entry with that id; -1 when it is not in the list.
  int IndexOf(uint64_t id) const;
  // The current entry's index; -1 when there is none or it was removed from the list.
  int CurrentIndex() const;
  // The current entry's id, also once it was removed; 0 when there never was one.
  uint64_t CurrentId() const { return current_; }
  // Makes the entry at index current; a shuffle round goes on from its place in the round.
  void SetCurrent(int index);

  TMPRepeatMode Repeat() const { return repeat_; }
  void SetRepeat(TMPRepeatMode mode) { repeat_ = mode; }
  bool Shuffle() const { return shuffle_; }
  // Turning shuffle on starts a new random round at the current entry.
  void SetShuffle(bool on);
  // Plays the list through once whatever the repeat mode says (a recording must end).
  void SetSinglePass(bool on) { singlePass_ = on; }
  bool SinglePass() const { return singlePass_; }
  // Stops once the current file ends, once; nothing follows it without a gap meanwhile.
  void SetStopAfterCurrent(bool on) { stopAfterCurrent_ = on; }
  bool StopAfterCurrent() const { return stopAfterCurrent_; }

  // The entry Next, Previous or the end of the file would make current; -1 when there is none
  // (the list's end without repeat, or an empty list).
  int NextIndex() const;
  int PreviousIndex() const;
  // After the end of the current file, for gapless play: -1 also when play stops there.
  int FollowingIndex() const;

  // Moves to that entry; false, and nothing changes, when there is none.
  bool Next();
  bool Previous();
  TMPAfterEnd AdvanceAfterEnd();
  // Back to the start once the list is done: the first entry, or a new round when shuffling.
  void Rewind();

 private:
  // Whether the list wraps at its ends when the user steps through it.
  bool Wraps() const { return repeat_ != TMPRepeatMode::Off && !singlePass_; }
  // The step from the current place to the next (+1) or previous (-1) entry, or -1.
  int Step(int direction, bool wrap) const;
  // The entry after the end of the current file by the repeat mode, or -1.
  int EntryAfterEnd() const;
  // A random order of every entry with the entry at first first (any first when it is -1).
  void NewRound(int first);
  int RoundPosition() const;  // of the current place in the round

  std::vector<TEntry> entries_;
  uint64_t nextId_ = 1;
  uint64_t current_ = 0;  // the current entry's id; 0: none
  // Where the current entry stands (or stood, when removed): the list index of the entry after
  // it for a removed one, as it stands now.
  int place_ = 0;
  bool removed_ = false;  // the current entry left the list
  TMPRepeatMode repeat_ = TMPRepeatMode::All;
  bool shuffle_ = false;
  bool singlePass_ = false;
  bool stopAfterCurrent_ = false;
  std::vector<uint64_t> round_;  // entry ids in shuffled order, while shuffling
  int roundPlace_ = 0;  // the current entry's place in the round (where it stood, when removed)
};

}  // namespace yumekaze::engine
