#pragma once

#include <QHash>
#include <QString>
#include <cstdint>
#include <memory>

namespace yumekaze::engine {
class TMP3Player;
}

namespace yumekaze::app {

// What the play list shows of a file.
struct TTrackFacts {
  QString title;
  QString artist;
  QString album;
  int64_t lengthMs = -1;  // -1: unknown
};

// The facts of the file a player has open.
TTrackFacts FactsOf(const engine::TMP3Player& player);

// Reads the facts of files that are not playing, with a player of its own that never plays;
// remembers what it read.
class TTrackScanner {
 public:
  TTrackScanner();
  ~TTrackScanner();
  // A file that cannot be read gives its name as the title and an unknown length.
  const TTrackFacts& Scan(const QString& path);

 private:
  std::unique_ptr<engine::TMP3Player> player_;
  QHash<QString, TTrackFacts> known_;
};

// "m:ss", or "" for an unknown length.
QString FormatLength(int64_t lengthMs);

}  // namespace yumekaze::app
