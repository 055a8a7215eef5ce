#include "app/play_list.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace yumekaze::app {
namespace {

TEST(PlayList, AdvanceWrapsFromTheLastEntryToTheFirst) {
  TPlayList list;
  list.Assign({"a", "b", "c"});
  EXPECT_EQ(list.Current(), "a");
  list.Advance();
  list.Advance();
  EXPECT_EQ(list.Current(), "c");
  list.Advance();
  EXPECT_EQ(list.PlayListIndex(), 0);
  EXPECT_EQ(list.Current(), "a");
}

TEST(PlayList, BackWrapsFromTheFirstEntryToTheLast) {
  TPlayList list;
  list.Assign({"a", "b", "c"});
  list.Back();
  EXPECT_EQ(list.PlayListIndex(), 2);
  EXPECT_EQ(list.Current(), "c");
  list.Back();
  EXPECT_EQ(list.Current(), "b");
}

TEST(PlayList, OneEntryStaysOnItselfBothWays) {
  TPlayList list;
  list.Assign({"only"});
  list.Advance();
  EXPECT_EQ(list.Current(), "only");
  list.Back();
  EXPECT_EQ(list.Current(), "only");
}

TEST(PlayList, NewSelectionStartsAtItsFirstEntry) {
  TPlayList list;
  list.Assign({"a", "b", "c"});
  list.Back();
  list.Assign({"x"});
  EXPECT_EQ(list.PlayListIndex(), 0);
  EXPECT_EQ(list.Current(), "x");
}

TEST(PlayList, EmptyListHasNoCurrentEntryAndBackGoesToMinusOne) {
  TPlayList list;
  list.Assign({"a", "b"});
  list.Advance();
  list.Clear();
  EXPECT_EQ(list.PlayListIndex(), 1);  // clearing keeps the index
  EXPECT_THROW(list.Current(), std::out_of_range);
  list.SetRepeat(TRepeatMode::One);
  EXPECT_FALSE(list.AdvanceAfterEnd());  // nothing to repeat
  list.SetRepeat(TRepeatMode::All);
  list.Back();
  EXPECT_EQ(list.PlayListIndex(), 0);
  EXPECT_THROW(list.Current(), std::out_of_range);
  list.Back();
  EXPECT_EQ(list.PlayListIndex(), -1);
  EXPECT_THROW(list.Current(), std::out_of_range);
  list.Advance();
  EXPECT_EQ(list.PlayListIndex(), 0);
  EXPECT_THROW(list.Current(), std::out_of_range);
}

TEST(PlayList, ShuffleRoundPlaysEveryEntryOnceAndSaysAheadWhatFollows) {
  TPlayList list;
  list.Assign({"a", "b", "c", "d", "e"});
  list.SetPlayListIndex(2);
  list.SetRepeat(TRepeatMode::Off);
  list.SetShuffle(true);
  QStringList played = {list.Current()};
  for (int following = list.FollowingEntry(); following >= 0; following = list.FollowingEntry()) {
    ASSERT_TRUE(list.AdvanceAfterEnd());
    ASSERT_EQ(list.PlayListIndex(), following);
    played << list.Current();
  }
  EXPECT_FALSE(list.AdvanceAfterEnd());
  EXPECT_EQ(played.first(), "c");
  played.sort();
  EXPECT_EQ(played, list.Entries());

  // Repeating, the next round starts with the entry said ahead; back retraces the round.
  list.SetRepeat(TRepeatMode::All);
  const int next = list.FollowingEntry();
  ASSERT_GE(next, 0);
  list.Advance();
  EXPECT_EQ(list.PlayListIndex(), next);
  list.Advance();
  list.Back();
  EXPECT_EQ(list.PlayListIndex(), next);
}

TEST(PlayList, EditsKeepTheShuffleRoundWhole) {
  TPlayList list;
  list.Assign({"a", "b", "c", "d", "e"});
  list.SetShuffle(true);  // a round starting at "a"
  list.SetRepeat(TRepeatMode::Off);
  list.Move(0, 4);
  list.Remove(1);
  list.Append({"f", "g"});
  QStringList played = {list.Current()};
  while (list.AdvanceAfterEnd()) played << list.Current();
  EXPECT_EQ(played.first(), "a");
  played.sort();
  EXPECT_EQ(played, QStringList({"a", "b", "d", "e", "f", "g"}));
}

}  // namespace
}  // namespace yumekaze::app
