#include "app/playlist/track_facts.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "app/playlist/file_names.h"
#include "engine/player/mp3_player.h"
#include "engine/player/track_probe.h"
#include "engine/tags/mp3_info.h"
#include "platform/text/tag_text.h"

namespace yumekaze::app {

namespace {

TTrackFacts Unread(const QString& path) { return {ShownFileName(path), {}, {}, -1}; }

TTrackFacts Read(const QString& path) {
  const engine::TMPProbeOutcome probe = engine::ProbeTrack(NameToBytes(path).toStdString());
  // A file that cannot be read is shown by its name; playing it reports the error.
  if (!probe.Track) return Unread(path);
  const engine::TTagFields& fields = probe.Track->Fields;
  return {TagText(fields.title), TagText(fields.artist), TagText(fields.album),
          probe.Track->LengthMs()};
}

}  // namespace

QString TagText(const std::string& bytes) {
  return QString::fromStdString(platform::DecodeTagText(bytes));
}

TTrackFacts FactsOf(const engine::TMP3Player& player, const QString& listName) {
  if (!player.Opened()) return {};
  if (player.Live()) {
    const engine::TMPStreamFacts stream = player.StreamFacts();
    const QString station = !stream.Name.empty()  ? QString::fromStdString(stream.Name)
                            : !listName.isEmpty() ? listName
                                                  : QString::fromStdString(stream.Url);
    const QString title = stream.Title.empty() ? listName.isEmpty() ? station : listName
                                               : QString::fromStdString(player.SongTitle());
    return {title, QString::fromStdString(player.Artist()), station, -1};
  }
  return {TagText(player.SongTitle()), TagText(player.Artist()),
          TagText(player.Info().Merged().album), player.TotalMilliseconds()};
}

QString StationLine(const engine::TMP3Player& player, const QString& listName) {
  const engine::TMPStreamFacts stream = player.StreamFacts();
  QString line = FactsOf(player, listName).album;
  if (stream.Reconnecting) {
    line += QObject::tr("  reconnecting");
  } else if (stream.BufferingPercent < 100) {
    line += QObject::tr("  buffering %1 %").arg(stream.BufferingPercent);
  }
  return line;
}

// Shared with the reading thread, which may outlive the scanner.
struct TTrackScanner::TQueue {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<QString> paths;
  TTrackScanner* owner;  // null once the scanner is gone
};

TTrackScanner::TTrackScanner() : queue_(std::make_shared<TQueue>()) {
  queue_->owner = this;
  std::thread([queue = queue_] {
    for (;;) {
      QString path;
      {
        std::unique_lock lock(queue->mutex);
        queue->wake.wait(lock, [&] { return !queue->owner || !queue->paths.empty(); });
        if (!queue->owner) return;
        path = queue->paths.front();
        queue->paths.pop_front();
      }
      const TTrackFacts facts = Read(path);
      std::lock_guard lock(queue->mutex);
      if (!queue->owner) return;
      QMetaObject::invokeMethod(
          queue->owner, [owner = queue->owner, path, facts] { owner->Learn(path, facts); },
          Qt::QueuedConnection);
    }
  }).detach();
}

TTrackScanner::~TTrackScanner() {
  std::lock_guard lock(queue_->mutex);
  queue_->owner = nullptr;
  queue_->wake.notify_one();
}

TTrackFacts TTrackScanner::Facts(const QString& path) {
  auto known = known_.find(path);
  if (known != known_.end()) return *known;
  if (!asked_.contains(path)) {
    asked_.insert(path);
    std::lock_guard lock(queue_->mutex);
    queue_->paths.push_back(path);
    queue_->wake.notify_one();
  }
  return Unread(path);
}

void TTrackScanner::Forget() {
  known_.clear();
  asked_.clear();
}

void TTrackScanner::Learn(const QString& path, const TTrackFacts& facts) {
  known_.insert(path, facts);
  emit Scanned(path);
}

QString FormatLength(int64_t lengthMs) {
  if (lengthMs < 0) return {};
  const int64_t seconds = (lengthMs + 500) / 1000;
  return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace yumekaze::app
