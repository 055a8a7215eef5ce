// The main window's commands over the player and the play list.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <stdexcept>

#include "app/form1.h"
#include "app/form2.h"
#include "app/play_list_files.h"
#include "app/tray_icon.h"
#include "app/user_prompts.h"
#include "app/volume_store.h"
#include "engine/sound/sound_out.h"
#include "platform/text/tag_text.h"

namespace yumekaze::app {

namespace {

QString TagText(const std::string& bytes) {
  return QString::fromStdString(platform::DecodeTagText(bytes));
}

// The file lines end at the Open, Sleep and About buttons, which cover them from there on; a
// longer line would otherwise show its end as a coloured box on the ring beside the buttons.
constexpr int kLineRightEnd = 248;

// The line's width follows its text up to the buttons; a longer text is cut with an ellipsis on
// the side given (the path keeps its file name, tags their start) and shows in full as a tip.
void SetLineText(QLabel* label, const QString& text, Qt::TextElideMode elide = Qt::ElideRight) {
  const int room = kLineRightEnd - label->x();
  const int margins =
      label->sizeHint().width() - label->fontMetrics().horizontalAdvance(label->text());
  const QString shown = label->fontMetrics().elidedText(text, elide, room - margins);
  label->setText(shown);
  label->setToolTip(shown == text ? QString() : text);
  label->resize(std::min(label->sizeHint().width(), room), label->height());
}

}  // namespace

QString TForm1::CurrentFile() const {
  return MP3->Opened() ? QFile::decodeName(QByteArray::fromStdString(MP3->FileName())) : QString();
}

void TForm1::ClearFileTexts() {
  for (QLabel* label : {Label1, Label2, Label3}) SetLineText(label, QString());
  TrayIcon1->SetTipHelp(QString());
}

void TForm1::ShowFileTexts() {
  SetLineText(Label1, CurrentFile(), Qt::ElideLeft);
  SetLineText(Label2, TagText(MP3->Artist()));
  const QString title = TagText(MP3->SongTitle());
  SetLineText(Label3, title);
  TrayIcon1->SetTipHelp(title);
}

void TForm1::Title() {
  // An entry that cannot be opened is skipped for the next one, in list order, until one opens
  // or every entry has failed once.
  QStringList skipped;
  for (int tried = 0; tried < playList_.Count(); ++tried) {
    const QString entry = playList_.Current();
    try {
      MP3->SetFileName(QFile::encodeName(entry).toStdString());
    } catch (const std::exception& error) {
      skipped << QStringLiteral("%1\n%2").arg(entry, QString::fromUtf8(error.what()));
      playList_.SetPlayListIndex((playList_.PlayListIndex() + 1) % playList_.Count());
      continue;
    }
    if (!skipped.isEmpty()) {
      prompts_.Notice(
          this, QStringLiteral("再生できないファイルを飛ばしました:\n") + skipped.join(u'\n'));
    }
    StartPlay();
    return;
  }
  // Nothing in the list can be played: one message, and the window shows the stop.
  if (!MP3->Opened()) ClearFileTexts();
  SetOpenAndPlayEnabled(true);
  update();
  emit PlayerChanged();
  prompts_.Warning(this, QStringLiteral("再生できるファイルがありません:\n") + skipped.join(u'\n'),
                   QStringLiteral("警告"));
}

void TForm1::StartPlay() {
  ShowFileTexts();
  try {
    SettingColor2();
    // Named before playing: a short file may reach its end before Play returns.
    QueueFollowing();
    MP3->Play();
    SetOpenAndPlayEnabled(false);
    emit PlayerChanged();
  } catch (const std::exception& error) {
    // When nothing plays now, the picture shows the stop and open and play are offered again.
    update();
    if (MP3->Status() == engine::kStatusStopped) SetOpenAndPlayEnabled(true);
    const auto* device = dynamic_cast<const engine::TMPDeviceOpenError*>(&error);
    if (!device) {
      prompts_.Warning(this, QString::fromUtf8(error.what()), QStringLiteral("警告"));
      return;
    }
    const QString name = device->DeviceName().empty()
                             ? QStringLiteral("(なし)")
                             : QString::fromStdString(device->DeviceName());
    prompts_.Warning(this,
                     QStringLiteral("サウンドデバイスを開けませんでした: %1\n%2")
                         .arg(name, QString::fromUtf8(error.what())),
                     QStringLiteral("警告"));
  }
}

void TForm1::MP3EndPlay(engine::TMP3EndPlayReason reason) {
  if (reason == engine::meprError) {
    // The window did not command this stop: show it now, and offer open and play again.
    SetOpenAndPlayEnabled(true);
    update();
    return;
  }
  if (reason != engine::meprEndOfStream) return;
  if (!playList_.AdvanceAfterEnd()) {
    // The list is done: the window shows the stop and offers play again from the first entry.
    playList_.SetPlayListIndex(0);
    SetOpenAndPlayEnabled(true);
    emit PlayerChanged();
    return;
  }
  Title();
}

void TForm1::QueueFollowing() {
  if (!MP3->Opened()) return;
  queued_ = playList_.FollowingEntry();
  MP3->SetNextFile(queued_ < 0 ? std::string()
                               : QFile::encodeName(playList_.Entries()[queued_]).toStdString());
}

void TForm1::FollowedOn() {
  if (queued_ >= 0 && queued_ < playList_.Count()) playList_.SetPlayListIndex(queued_);
  ShowFileTexts();
  QueueFollowing();
  emit PlayerChanged();
}

void TForm1::StopBySleepTimer() {
  // As the stop command does, so that a refused power-off leaves a window that shows the stop
  // and offers open and play again, not "PLAY" over a stopped player.
  Button2Click();
}

void TForm1::SetOpenAndPlayEnabled(bool enabled) {
  Button6->setEnabled(enabled);
  Button1->setEnabled(enabled);
  N1->setEnabled(enabled);
  N6->setEnabled(enabled);
  OpenFolderItem->setEnabled(enabled);
}

void TForm1::Button1Click() {
  if (playList_.Count() == 0) return;
  Title();
  // Also when Title failed, unless nothing plays.
  if (MP3->Status() != engine::kStatusStopped) SetOpenAndPlayEnabled(false);
}

void TForm1::Button2Click() {
  MP3->Stop();
  SetOpenAndPlayEnabled(true);
  SettingColor1();
}

void TForm1::Button3Click() {
  if (playList_.Count() == 0) return;
  playList_.Advance();
  Title();
}

void TForm1::Button4Click() {
  if (playList_.Count() == 0) return;
  playList_.Back();
  Title();
}

void TForm1::Button5Click() {
  switch (MP3->Status()) {
    case engine::kStatusPlaying:
      MP3->Pause();
      SettingColor3();
      break;
    case engine::kStatusPaused:
      MP3->Resume();
      SettingColor2();
      break;
    default:
      break;
  }
}

void TForm1::Button6Click() {
  // A cancelled dialog changes nothing: the list, the lines and the playing file stay.
  const QStringList files = prompts_.ChooseFiles(this, initialFolder_);
  if (files.isEmpty()) return;
  LoadSelection(ExpandToEntries(files));
}

void TForm1::LoadSelection(const QStringList& files) {
  if (files.isEmpty()) return;
  playList_.Assign(files);
  LoadEntry(0);
}

void TForm1::LoadEntry(int index) {
  playList_.SetPlayListIndex(index);
  const QString entry = playList_.Current();
  try {
    MP3->SetFileName(QFile::encodeName(entry).toStdString());
  } catch (const std::exception& error) {
    // The lines must not go on naming a file that is no longer loaded; the report names the
    // file that failed.
    if (!MP3->Opened()) ClearFileTexts();
    emit PlayerChanged();
    throw std::runtime_error(
        QStringLiteral("%1\n%2").arg(entry, QString::fromUtf8(error.what())).toStdString());
  }
  ShowFileTexts();
  emit PlayerChanged();
}

void TForm1::OpenAndPlay(const QStringList& files) {
  const QStringList entries = ExpandToEntries(files);
  if (entries.isEmpty()) return;
  Guarded([&] {
    LoadSelection(entries);
    Button1Click();
  });
}

void TForm1::AddToPlayList(const QStringList& paths, bool play) {
  const QStringList entries = ExpandToEntries(paths);
  if (entries.isEmpty()) return;
  const int first = playList_.Count();
  playList_.Append(entries);
  QueueFollowing();
  emit PlayerChanged();
  if (play || !MP3->Opened()) {
    Guarded([&] {
      if (play) {
        PlayEntry(first);
      } else {
        LoadEntry(first);
      }
    });
  }
}

void TForm1::PlayEntry(int index) {
  if (index < 0 || index >= playList_.Count()) return;
  playList_.SetPlayListIndex(index);
  Title();
}

void TForm1::N6Click() {
  Button6Click();
  Button1Click();
}

void TForm1::OpenFolderClick() {
  // As Open: a cancelled dialog or a folder without audio changes nothing.
  const QString folder = prompts_.ChooseFolder(this, initialFolder_);
  if (folder.isEmpty()) return;
  const QStringList entries = ExpandToEntries({folder});
  if (entries.isEmpty()) return;
  LoadSelection(entries);
  Button1Click();
}

void TForm1::Button7Click() {
  if (form2_) prompts_.ShowModal(*form2_);
}

void TForm1::Button8Click() {
  if (aboutBox_) prompts_.ShowModal(*aboutBox_);
}

void TForm1::BitBtn1Click() {
  if (!trayAvailable_()) {
    // Hiding would leave no way back without a notification area.
    showMinimized();
    return;
  }
  showMinimized();
  TrayIcon1->SetVisible(true);
  hide();
}

void TForm1::R1Click() {
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  TrayIcon1->SetVisible(false);
  Button2->setFocus();
}

void TForm1::ShowPlayList() {
  if (!playListPanel_) return;
  playListPanel_->show();
  playListPanel_->raise();
  playListPanel_->activateWindow();
}

bool TForm1::SeekTo(int64_t ms) {
  const int64_t total = MP3->TotalMilliseconds();
  ms = std::max<int64_t>(0, total >= 0 ? std::min(ms, total) : ms);
  if (!MP3->Seek(ms)) return false;
  emit Seeked(ms);
  emit PlayerChanged();
  return true;
}

void TForm1::ChangeVolume(int volume) {
  MP3->SetVolume(std::clamp(volume, 0, 100));
  AnnounceVolume();
}

void TForm1::AnnounceVolume() {
  StoreVolume(MP3->Volume());
  emit VolumeChanged(MP3->Volume());
  emit PlayerChanged();
}

void TForm1::Raise() {
  if (TrayIcon1->Visible()) R1Click();
  show();
  raise();
  activateWindow();
}

void TForm1::RemoveEntry(int index) {
  playList_.Remove(index);
  QueueFollowing();
  emit PlayerChanged();
}

void TForm1::MoveEntry(int from, int to) {
  playList_.Move(from, to);
  QueueFollowing();
  emit PlayerChanged();
}

void TForm1::ClearPlayList() {
  playList_.Clear();
  playList_.SetPlayListIndex(0);
  QueueFollowing();
  emit PlayerChanged();
}

void TForm1::SetRepeat(TRepeatMode mode) {
  playList_.SetRepeat(mode);
  QueueFollowing();
  emit PlayerChanged();
}

void TForm1::SetShuffle(bool on) {
  playList_.SetShuffle(on);
  QueueFollowing();
  emit PlayerChanged();
}

void TForm1::BitBtn2Click() {
  // Closing stops the playback after the listeners of Closed have seen it.
  close();
}

}  // namespace yumekaze::app
