#include "app/playlist/current_entry_pane.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <cmath>

#include "app/covers/current_cover.h"
#include "app/playlist/track_facts.h"
#include "app/window/form1.h"
#include "decoder/vbr_header.h"

namespace yumekaze::app {

namespace {

QString FormatText(const engine::TMP3Player& player) {
  static const char* const kVersions[] = {"", "MPEG-1", "MPEG-2", "MPEG-2.5"};
  static const char* const kLayers[] = {"", "I", "II", "III"};
  const int version = player.MpegVersion();
  const int layer = player.LayerNumber();
  if (version < 1 || version > 3 || layer < 1 || layer > 3) return {};
  const QString channels = player.Channels() == 1 ? QObject::tr("mono") : QObject::tr("stereo");
  return QObject::tr("%1 Layer %2, %3 kHz, %4")
      .arg(QString::fromLatin1(kVersions[version]), QString::fromLatin1(kLayers[layer]))
      .arg(player.SampleRate() / 1000.0, 0, 'g', 3)
      .arg(channels);
}

// The first frame's bitrate; with a VBR header, the average over the file.
QString BitrateText(const engine::TMP3Player& player) {
  const decoder::VbrHeaderKind kind = player.Source().HeaderFrame().Kind;
  const int64_t length = player.AudioLength();
  const int64_t ms = player.TotalMilliseconds();
  if ((kind == decoder::VbrHeaderKind::kXing || kind == decoder::VbrHeaderKind::kVbri) &&
      length != engine::kUnknownAudioLength && ms > 0) {
    return QObject::tr("%1 kbit/s average").arg(std::llround(length * 8.0 / ms));
  }
  const int32_t bitrate = player.Source().FirstBitrate();
  return bitrate > 0 ? QObject::tr("%1 kbit/s").arg(bitrate / 1000) : QString();
}

QString GainText(const engine::TMP3Player& player) {
  const float factor = player.ReplayGainFactor();
  if (factor == 1.0f) return QObject::tr("none");
  return QObject::tr("%1 dB").arg(20.0 * std::log10(factor), 0, 'f', 2);
}

}  // namespace

TCurrentEntryPane::TCurrentEntryPane(TForm1& form1, QWidget* parent)
    : QWidget(parent), form1_(form1) {
  Picture = new QLabel(this);
  Picture->setFixedSize(TCurrentCover::kShownSide, TCurrentCover::kShownSide);
  Picture->setAlignment(Qt::AlignCenter);
  Picture->setFrameShape(QFrame::StyledPanel);
  auto* facts = new QFormLayout;
  const auto add = [&](const QString& name) {
    auto* value = new QLabel(this);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value->setWordWrap(true);
    facts->addRow(name, value);
    return value;
  };
  Album = add(tr("Album:"));
  Track = add(tr("Track:"));
  Year = add(tr("Year:"));
  Format = add(tr("Format:"));
  Bitrate = add(tr("Bitrate:"));
  Gain = add(tr("Gain applied:"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Picture, 0, Qt::AlignTop);
  layout->addLayout(facts, 1);
  connect(&form1_, &TForm1::PlayerChanged, this, &TCurrentEntryPane::Show);
  Show();
}

void TCurrentEntryPane::Show() {
  const engine::TMP3Player& player = *form1_.MP3;
  const TCurrentCover& cover = *form1_.Cover;
  const bool own = cover.File() == form1_.CurrentFile() && !cover.Shown().isNull();
  Picture->setPixmap(own ? QPixmap::fromImage(cover.Shown()) : QPixmap());
  Picture->setText(own ? QString() : tr("no cover"));
  if (!player.Opened()) {
    for (QLabel* label : {Album, Track, Year, Format, Bitrate, Gain}) label->clear();
    return;
  }
  const QString file = form1_.CurrentFile();
  Album->setText(FactsOf(player, form1_.PlayList().StationName(file)).album);
  const engine::TTagFields fields = player.Live() ? engine::TTagFields{} : player.Info().Merged();
  Track->setText(TagText(fields.track));
  Year->setText(TagText(fields.year));
  Format->setText(FormatText(player));
  Bitrate->setText(BitrateText(player));
  Gain->setText(GainText(player));
}

}  // namespace yumekaze::app
