#include "app/playlist/track_facts.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "test_support.h"

namespace yumekaze::app {
namespace {

TEST(TrackScanner, FilesAreReadOffTheCallersThreadAndNamedUntilThen) {
  test::TAudioFiles audio;
  const QString tagged = audio.MakeTaggedMp3("tagged.mp3", 2, "風の人", "夢の歌");
  if (tagged.isEmpty()) GTEST_SKIP() << "lame is needed for this test";
  const QString text = audio.MakeText("text.mp3");
  TTrackScanner scanner;
  QSignalSpy scanned(&scanner, &TTrackScanner::Scanned);
  EXPECT_EQ(scanner.Facts(tagged).title, "tagged.mp3");
  EXPECT_EQ(scanner.Facts(text).title, "text.mp3");
  ASSERT_TRUE(QTest::qWaitFor([&] { return scanned.count() == 2; }, 15000));
  EXPECT_EQ(scanned[0][0].toString(), tagged);  // in the order asked
  const TTrackFacts facts = scanner.Facts(tagged);
  EXPECT_EQ(facts.title, "夢の歌");
  EXPECT_EQ(facts.artist, "風の人");
  EXPECT_EQ(FormatLength(facts.lengthMs), "0:02");
  // A file that cannot be read keeps its name and no length.
  EXPECT_EQ(scanner.Facts(text).title, "text.mp3");
  EXPECT_EQ(scanner.Facts(text).lengthMs, -1);
}

}  // namespace
}  // namespace yumekaze::app
