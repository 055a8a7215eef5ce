#include "engine/queue/play_queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace yumekaze::engine {
namespace {

using Paths = std::vector<std::string>;

std::string Current(const TMPPlayQueue& queue) {
  const int index = queue.CurrentIndex();
  return index < 0 ? std::string("-") : queue.PathAt(index);
}

TEST(PlayQueue, StepsWrapAtEitherEndOnlyWhenRepeating) {
  TMPPlayQueue queue;
  queue.Assign({"a", "b", "c"});
  EXPECT_EQ(Current(queue), "a");
  EXPECT_TRUE(queue.Previous());
  EXPECT_EQ(Current(queue), "c");
  EXPECT_TRUE(queue.Next());
  EXPECT_EQ(Current(queue), "a");

  queue.SetRepeat(TMPRepeatMode::Off);
  EXPECT_FALSE(queue.Previous());
  EXPECT_EQ(queue.PreviousIndex(), -1);
  queue.SetCurrent(2);
  EXPECT_EQ(queue.NextIndex(), -1);
  EXPECT_FALSE(queue.Next());
  EXPECT_EQ(queue.AdvanceAfterEnd(), TMPAfterEnd::Done);
  EXPECT_EQ(Current(queue), "c");
  queue.Rewind();
  EXPECT_EQ(Current(queue), "a");

  queue.SetRepeat(TMPRepeatMode::One);
  EXPECT_EQ(queue.FollowingIndex(), 0);
  EXPECT_EQ(queue.AdvanceAfterEnd(), TMPAfterEnd::Play);
  EXPECT_EQ(Current(queue), "a");
  EXPECT_TRUE(queue.Next());  // the user still steps on
  EXPECT_EQ(Current(queue), "b");

  // A recording plays the list once, whatever the repeat mode.
  queue.SetSinglePass(true);
  queue.SetCurrent(2);
  EXPECT_EQ(queue.FollowingIndex(), -1);
  queue.SetRepeat(TMPRepeatMode::All);
  EXPECT_EQ(queue.AdvanceAfterEnd(), TMPAfterEnd::Done);

  // Stop after the current file: nothing follows without a gap, the end moves on and stops
  // there, once; with nothing after the entry the list is done as without it.
  queue.SetSinglePass(false);
  queue.SetCurrent(0);
  queue.SetStopAfterCurrent(true);
  EXPECT_EQ(queue.FollowingIndex(), -1);
  EXPECT_EQ(queue.NextIndex(), 1);
  EXPECT_EQ(queue.AdvanceAfterEnd(), TMPAfterEnd::Stop);
  EXPECT_EQ(Current(queue), "b");
  EXPECT_FALSE(queue.StopAfterCurrent());
  EXPECT_EQ(queue.FollowingIndex(), 2);
  queue.SetRepeat(TMPRepeatMode::Off);
  queue.SetCurrent(2);
  queue.SetStopAfterCurrent(true);
  EXPECT_EQ(queue.AdvanceAfterEnd(), TMPAfterEnd::Done);
  EXPECT_FALSE(queue.StopAfterCurrent());

  TMPPlayQueue empty;
  EXPECT_EQ(empty.CurrentIndex(), -1);
  EXPECT_FALSE(empty.Next());
  EXPECT_FALSE(empty.Previous());
  EXPECT_EQ(empty.AdvanceAfterEnd(), TMPAfterEnd::Done);
}

TEST(PlayQueue, MovesKeepTheCurrentEntry) {
  TMPPlayQueue queue;
  queue.Assign({"a", "b", "c", "d"});
  queue.SetCurrent(2);
  queue.Move(2, 0);
  queue.Move(3, 0);  // d before c
  EXPECT_EQ(Current(queue), "c");
  EXPECT_EQ(queue.CurrentIndex(), 1);
  EXPECT_EQ(queue.PathAt(queue.NextIndex()), "a");
}

TEST(PlayQueue, RemovingThePlayingEntryLeavesItCurrentAndTheListGoesOnFromItsPlace) {
  TMPPlayQueue queue;
  queue.Assign({"a", "b", "c", "d"});
  queue.SetCurrent(1);
  queue.Remove(1);  // "b" plays on
  EXPECT_EQ(queue.CurrentIndex(), -1);
  EXPECT_EQ(queue.FollowingIndex(), 1);  // "c", not skipped
  queue.Remove(0);
  queue.Move(0, 1);  // d c: the gap stays before "c"
  EXPECT_EQ(queue.PathAt(queue.FollowingIndex()), "c");
  EXPECT_EQ(queue.PathAt(queue.PreviousIndex()), "d");
  ASSERT_EQ(queue.AdvanceAfterEnd(), TMPAfterEnd::Play);
  EXPECT_EQ(Current(queue), "c");

  // Cleared while playing: nothing follows until entries are added, then they do.
  queue.Clear();
  EXPECT_EQ(queue.FollowingIndex(), -1);
  queue.Append({"x", "y"});
  EXPECT_EQ(queue.PathAt(queue.FollowingIndex()), "x");
  queue.SetRepeat(TMPRepeatMode::Off);
  queue.Remove(0);
  queue.Remove(0);
  EXPECT_EQ(queue.AdvanceAfterEnd(), TMPAfterEnd::Done);
}

TEST(PlayQueue, ShuffleRoundPlaysEveryEntryOnceAndSaysAheadWhatFollows) {
  TMPPlayQueue queue;
  queue.Assign({"a", "b", "c", "d", "e"});
  queue.SetCurrent(2);
  queue.SetRepeat(TMPRepeatMode::Off);
  queue.SetShuffle(true);
  Paths played = {Current(queue)};
  for (int following = queue.FollowingIndex(); following >= 0; following = queue.FollowingIndex()) {
    ASSERT_EQ(queue.AdvanceAfterEnd(), TMPAfterEnd::Play);
    ASSERT_EQ(queue.CurrentIndex(), following);
    played.push_back(Current(queue));
  }
  EXPECT_EQ(queue.AdvanceAfterEnd(), TMPAfterEnd::Done);
  EXPECT_EQ(played.front(), "c");
  std::sort(played.begin(), played.end());
  EXPECT_EQ(played, Paths({"a", "b", "c", "d", "e"}));

  // Repeating, the next round starts with the entry said ahead; previous retraces the round.
  queue.SetRepeat(TMPRepeatMode::All);
  const int next = queue.NextIndex();
  ASSERT_GE(next, 0);
  queue.Next();
  EXPECT_EQ(queue.CurrentIndex(), next);
  queue.Next();
  queue.Previous();
  EXPECT_EQ(queue.CurrentIndex(), next);
}

TEST(PlayQueue, EditsKeepTheShuffleRoundWholeAndTheRemovedCurrentsPlaceInIt) {
  TMPPlayQueue queue;
  queue.Assign({"a", "b", "c", "d", "e"});
  queue.SetShuffle(true);  // a round starting at "a"
  queue.SetRepeat(TMPRepeatMode::Off);
  queue.Move(0, 4);
  queue.Remove(1);
  queue.Append({"f", "g"});
  const uint64_t afterA = queue.Entries()[queue.FollowingIndex()].id;
  queue.Remove(queue.CurrentIndex());  // "a" plays on; what was to follow it still does
  EXPECT_EQ(queue.Entries()[queue.FollowingIndex()].id, afterA);
  Paths played;
  while (queue.AdvanceAfterEnd() == TMPAfterEnd::Play) played.push_back(Current(queue));
  std::sort(played.begin(), played.end());
  EXPECT_EQ(played, Paths({"b", "d", "e", "f", "g"}));
}

// Random edits and steps: the queue's answers stay inside the list and agree with its moves.
TEST(PlayQueue, RandomEditsKeepEveryAnswerConsistent) {
  std::mt19937 random(7);
  TMPPlayQueue queue;
  int added = 0;
  for (int step = 0; step < 5000; ++step) {
    const int count = queue.Count();
    switch (random() % 10) {
      case 0:
        queue.Append({"e" + std::to_string(added++), "e" + std::to_string(added++)});
        break;
      case 1:
        if (count > 0) queue.Remove(static_cast<int>(random() % count));
        break;
      case 2:
        if (count > 0)
          queue.Move(static_cast<int>(random() % count), static_cast<int>(random() % count));
        break;
      case 3:
        queue.SetShuffle(!queue.Shuffle());
        break;
      case 4:
        queue.SetRepeat(static_cast<TMPRepeatMode>(random() % 3));
        break;
      case 5:
        if (random() % 8 == 0) queue.Clear();
        break;
      case 6: {
        const int next = queue.NextIndex();
        const uint64_t id = next >= 0 ? queue.Entries()[next].id : 0;
        ASSERT_EQ(queue.Next(), next >= 0);
        if (next >= 0) {
          ASSERT_EQ(queue.Entries()[queue.CurrentIndex()].id, id);
        }
        break;
      }
      case 7: {
        const int previous = queue.PreviousIndex();
        ASSERT_EQ(queue.Previous(), previous >= 0);
        if (previous >= 0) {
          ASSERT_GE(queue.CurrentIndex(), 0);
        }
        break;
      }
      case 8: {
        const int following = queue.FollowingIndex();
        const uint64_t id = following >= 0 ? queue.Entries()[following].id : 0;
        ASSERT_EQ(queue.AdvanceAfterEnd() == TMPAfterEnd::Play, following >= 0);
        if (following >= 0) {
          ASSERT_EQ(queue.Entries()[queue.CurrentIndex()].id, id);
        }
        break;
      }
      default:
        if (count > 0) queue.SetCurrent(static_cast<int>(random() % count));
        break;
    }
    for (int index :
         {queue.CurrentIndex(), queue.NextIndex(), queue.PreviousIndex(), queue.FollowingIndex()}) {
      ASSERT_GE(index, -1);
      ASSERT_LT(index, queue.Count());
    }
    // With entries and repeat on, there is always somewhere to go.
    if (queue.Count() > 0 && queue.Repeat() == TMPRepeatMode::All) {
      ASSERT_GE(queue.NextIndex(), 0) << "step " << step;
    }
  }
}

}  // namespace
}  // namespace yumekaze::engine
