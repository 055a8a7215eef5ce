#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>

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

// Tag bytes as text: UTF-8 as it is, else the legacy character set chosen.
QString TagText(const std::string& bytes);

// The facts of the file a player has open. For a station: its title's parts, and the station
// (its own name, else `listName` from its list, else its URL) as the album; the list's name is
// its title until the station sends one.
TTrackFacts FactsOf(const engine::TMP3Player& player, const QString& listName = {});
// The station and how its stream is doing ("buffering NN %", "reconnecting"), for its line.
QString StationLine(const engine::TMP3Player& player, const QString& listName);

// Reads the facts of files that are not playing on a thread of its own, with a track probe that
// shares nothing with the player; remembers what it read. A slow or hung file system holds up only
// that thread.
class TTrackScanner : public QObject {
  Q_OBJECT

 public:
  TTrackScanner();
  // A read still running is left to finish on its own; its facts go nowhere.
  ~TTrackScanner() override;

  // The facts read of path. Until they are known: its name as the title and an unknown length,
  // and the file waits to be read. A file that cannot be read keeps that.
  TTrackFacts Facts(const QString& path);
  // Reads every file again when next asked (the tags' character set changed).
  void Forget();

 signals:
  // The facts of path have been read.
  void Scanned(const QString& path);

 private:
  struct TQueue;
  void Learn(const QString& path, const TTrackFacts& facts);

  std::shared_ptr<TQueue> queue_;
  QHash<QString, TTrackFacts> known_;
  QSet<QString> asked_;
};

// "m:ss", or "" for an unknown length.
QString FormatLength(int64_t lengthMs);

}  // namespace yumekaze::app
