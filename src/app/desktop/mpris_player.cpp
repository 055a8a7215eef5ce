#include "app/desktop/mpris_player.h"

#include <QMetaProperty>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "app/covers/current_cover.h"
#include "app/playlist/file_names.h"
#include "app/playlist/track_facts.h"
#include "app/window/form1.h"

namespace yumekaze::app {

TMprisPlayer::TMprisPlayer(QObject* object, TForm1& form1)
    : QDBusAbstractAdaptor(object), form1_(form1) {
  setAutoRelaySignals(true);
  connect(&form1, &TForm1::Seeked, this, [this](qint64 ms) { emit Seeked(ms * 1000); });
  Changes();
}

QString TMprisPlayer::PlaybackStatus() const {
  if (form1_.Paused()) return QStringLiteral("Paused");
  switch (form1_.MP3->Status()) {
    case engine::kStatusPlaying:
      return QStringLiteral("Playing");
    case engine::kStatusPaused:
      return QStringLiteral("Paused");
    default:
      return QStringLiteral("Stopped");
  }
}

QString TMprisPlayer::LoopStatus() const {
  switch (form1_.PlayList().Queue().Repeat()) {
    case engine::TMPRepeatMode::Off:
      return QStringLiteral("None");
    case engine::TMPRepeatMode::One:
      return QStringLiteral("Track");
    case engine::TMPRepeatMode::All:
      break;
  }
  return QStringLiteral("Playlist");
}

void TMprisPlayer::SetLoopStatus(const QString& status) {
  engine::TMPRepeatMode mode = engine::TMPRepeatMode::All;
  if (status == u"None") mode = engine::TMPRepeatMode::Off;
  if (status == u"Track") mode = engine::TMPRepeatMode::One;
  form1_.SetRepeat(mode);
}

bool TMprisPlayer::Shuffle() const { return form1_.PlayList().Queue().Shuffle(); }

void TMprisPlayer::SetShuffle(bool on) { form1_.SetShuffle(on); }

QVariantMap TMprisPlayer::Metadata() const {
  const QString file = form1_.CurrentFile();
  if (file.isEmpty()) return {};
  const TTrackFacts facts = FactsOf(*form1_.MP3, form1_.PlayList().StationName(file));
  QVariantMap metadata;
  metadata[QStringLiteral("mpris:trackid")] = QVariant::fromValue(TrackId());
  if (facts.lengthMs >= 0)
    metadata[QStringLiteral("mpris:length")] = qlonglong{facts.lengthMs * 1000};
  metadata[QStringLiteral("xesam:title")] = facts.title;
  if (!facts.artist.isEmpty()) metadata[QStringLiteral("xesam:artist")] = QStringList{facts.artist};
  if (!facts.album.isEmpty()) metadata[QStringLiteral("xesam:album")] = facts.album;
  metadata[QStringLiteral("xesam:url")] = FileUri(file);
  const TCurrentCover& cover = *form1_.Cover;
  if (cover.File() == file && !cover.CachedFile().isEmpty()) {
    metadata[QStringLiteral("mpris:artUrl")] = QUrl::fromLocalFile(cover.CachedFile()).toString();
  }
  return metadata;
}

QDBusObjectPath TMprisPlayer::TrackId() const {
  return QDBusObjectPath(QStringLiteral("/io/github/yumekaze/Yumekaze/track/%1")
                             .arg(form1_.PlayList().Queue().CurrentId()));
}

double TMprisPlayer::Volume() const { return form1_.MP3->Volume() / 100.0; }

void TMprisPlayer::SetVolume(double volume) {
  form1_.ChangeVolume(static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * 100)));
}

qlonglong TMprisPlayer::Position() const { return form1_.PlayedMilliseconds() * 1000; }

// As the window: the commands that would do something now.
bool TMprisPlayer::CanGoNext() const { return form1_.PlayList().Queue().NextIndex() >= 0; }

bool TMprisPlayer::CanGoPrevious() const { return form1_.PlayList().Queue().PreviousIndex() >= 0; }

bool TMprisPlayer::CanPlay() const {
  return form1_.PlayList().Count() > 0 || form1_.MP3->Status() != engine::kStatusStopped ||
         form1_.Paused();
}

QVariantMap TMprisPlayer::Changes() {
  QVariantMap now;
  const QMetaObject* meta = metaObject();
  for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
    const QMetaProperty property = meta->property(i);
    if (QLatin1String(property.name()) == QLatin1String("Position")) continue;  // never announced
    now[QString::fromLatin1(property.name())] = property.read(this);
  }
  QVariantMap changed;
  for (auto it = now.cbegin(); it != now.cend(); ++it) {
    if (announced_.value(it.key()) != it.value()) changed[it.key()] = it.value();
  }
  announced_ = now;
  return changed;
}

void TMprisPlayer::Later(void (TForm1::*command)()) {
  // Commands run after the reply went out: a message box they show must not hold the caller.
  QTimer::singleShot(0, &form1_,
                     [this, command] { form1_.Guarded([this, command] { (form1_.*command)(); }); });
}

void TMprisPlayer::Next() { Later(&TForm1::Button3Click); }

void TMprisPlayer::Previous() { Later(&TForm1::Button4Click); }

void TMprisPlayer::Pause() {
  if (form1_.MP3->Status() == engine::kStatusPlaying) Later(&TForm1::Button5Click);
}

void TMprisPlayer::PlayPause() {
  if (form1_.MP3->Status() == engine::kStatusStopped) {
    Later(&TForm1::Button1Click);
  } else {
    Later(&TForm1::Button5Click);
  }
}

void TMprisPlayer::Stop() { Later(&TForm1::Button2Click); }

void TMprisPlayer::Play() {
  if (form1_.MP3->Status() == engine::kStatusPaused) Later(&TForm1::Button5Click);
  if (form1_.MP3->Status() == engine::kStatusStopped) Later(&TForm1::Button1Click);
}

bool TMprisPlayer::CanSeek() const { return form1_.CanSeek(); }

void TMprisPlayer::Seek(qlonglong offset) {
  form1_.Guarded([&] { form1_.SeekTo(form1_.PlayedMilliseconds() + offset / 1000); });
}

void TMprisPlayer::SetPosition(const QDBusObjectPath& track, qlonglong position) {
  // A position for another track than the current one, or outside it, is ignored.
  if (track.path() != TrackId().path() || position < 0) return;
  const int64_t total = form1_.MP3->TotalMilliseconds();
  if (total >= 0 && position / 1000 > total) return;
  form1_.Guarded([&] { form1_.SeekTo(position / 1000); });
}

void TMprisPlayer::OpenUri(const QString& uri) {
  const QString file = IsStation(uri) ? uri : NameFromFileUri(uri);
  if (file.isEmpty()) return;
  QTimer::singleShot(0, &form1_, [this, file] { form1_.AddToPlayList({file}, true); });
}

}  // namespace yumekaze::app
