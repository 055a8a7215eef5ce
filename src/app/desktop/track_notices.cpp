#include "app/desktop/track_notices.h"

#include <QAction>
#include <QApplication>
#include <QMenu>

#include "app/covers/current_cover.h"
#include "app/playlist/track_facts.h"
#include "app/settings/settings_store.h"
#include "app/window/form1.h"

namespace yumekaze::app {

namespace {

const QString kEnabledKey = QStringLiteral("Desktop/TrackNotices");

}  // namespace

TTrackNotices::TTrackNotices(TForm1& form1) : QObject(&form1), form1_(form1) {
  MenuItem = new QAction(tr("Notify when the track changes"), this);
  MenuItem->setCheckable(true);
  MenuItem->setChecked(Enabled());
  form1_.PopupMenu1->insertAction(form1_.N9, MenuItem);
  connect(MenuItem, &QAction::toggled, this, &TTrackNotices::SetEnabled);
  // Also when a file's cover search ends, and when a station's title changes.
  connect(&form1_, &TForm1::PlayerChanged, this, &TTrackNotices::Tell);
}

bool TTrackNotices::Enabled() { return OpenSettings()->value(kEnabledKey, true).toBool(); }

void TTrackNotices::SetEnabled(bool on) { OpenSettings()->setValue(kEnabledKey, on); }

void TTrackNotices::Tell() {
  const engine::TMP3Player& player = *form1_.MP3;
  if (!MenuItem->isChecked() || QApplication::activeWindow() != nullptr || !player.Opened() ||
      player.Status() != engine::kStatusPlaying) {
    return;
  }
  const QString file = form1_.CurrentFile();
  if (form1_.Cover->File() != file || !form1_.Cover->Known()) return;
  const TTrackFacts facts = FactsOf(player, form1_.PlayList().StationName(file));
  const QString told = QStringList{file, facts.title, facts.artist, facts.album}.join(u'\n');
  if (told == told_) return;
  told_ = told;
  QStringList body;
  if (!facts.artist.isEmpty()) body << facts.artist;
  if (!facts.album.isEmpty()) body << facts.album;
  notifications_.Show({facts.title, body.join(u'\n'), {}, form1_.Cover->CachedFile()});
}

}  // namespace yumekaze::app
