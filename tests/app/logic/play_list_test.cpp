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

}  // namespace
}  // namespace yumekaze::app
