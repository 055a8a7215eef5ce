#include "app/track_facts.h"

#include <QFile>
#include <QFileInfo>

#include "engine/player/frame_source.h"
#include "engine/player/mp3_player.h"
#include "engine/tags/mp3_info.h"
#include "platform/audio/wave_device_factory.h"
#include "platform/text/tag_text.h"

namespace yumekaze::app {

namespace {

QString TagText(const std::string& bytes) {
  return QString::fromStdString(platform::DecodeTagText(bytes));
}

int64_t LengthMs(const engine::TMP3Player& player) {
  const engine::TMPFrameSource& source = player.Source();
  const int channels = std::max(player.Channels(), 1);
  const int64_t samplesPerFrame = source.OutputInfo().SamplesPerFrame / channels;
  if (source.VbrFrames() > 0 && player.SampleRate() > 0) {
    return int64_t{source.VbrFrames()} * samplesPerFrame * 1000 / player.SampleRate();
  }
  // Constant bitrate: the audio data's bytes at the first frame's rate.
  const int64_t bytes = player.AudioLength();
  if (bytes <= 0 || bytes == engine::kUnknownAudioLength || source.FirstBitrate() <= 0) return -1;
  return bytes * 8000 / source.FirstBitrate();
}

}  // namespace

TTrackFacts FactsOf(const engine::TMP3Player& player) {
  if (!player.Opened()) return {};
  return {TagText(player.SongTitle()), TagText(player.Artist()), TagText(player.Info().Merged().album),
          LengthMs(player)};
}

TTrackScanner::TTrackScanner()
    : player_(std::make_unique<engine::TMP3Player>(platform::CreateWaveDevice("null"))) {
  player_->SetAutoOpen(true);
}

TTrackScanner::~TTrackScanner() = default;

const TTrackFacts& TTrackScanner::Scan(const QString& path) {
  auto known = known_.find(path);
  if (known != known_.end()) return *known;
  TTrackFacts facts{QFileInfo(path).fileName(), {}, {}, -1};
  try {
    player_->SetFileName(QFile::encodeName(path).toStdString());
    facts = FactsOf(*player_);
    player_->SetFileName({});
  } catch (const std::exception&) {
    // Shown by its name; playing it reports the error.
  }
  return *known_.insert(path, facts);
}

QString FormatLength(int64_t lengthMs) {
  if (lengthMs < 0) return {};
  const int64_t seconds = (lengthMs + 500) / 1000;
  return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace yumekaze::app
