// The main window's commands over the player and the play list.
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <stdexcept>
#include <utility>

#include "app/covers/current_cover.h"
#include "app/desktop/tray_icon.h"
#include "app/dialogs/error_report.h"
#include "app/dialogs/form2.h"
#include "app/dialogs/user_prompts.h"
#include "app/playlist/file_names.h"
#include "app/playlist/track_facts.h"
#include "app/settings/volume_store.h"
#include "app/window/form1.h"
#include "engine/sound/sound_out.h"

namespace yumekaze::app {

namespace {

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
  return MP3->Opened() ? NameFromBytes(MP3->FileName()) : QString();
}

void TForm1::ClearFileTexts() {
  for (QLabel* label : {Label1, Label2, Label3}) SetLineText(label, QString());
  TrayIcon1->SetTipHelp(QString());
}

void TForm1::ShowFileTexts() {
  if (MP3->Live()) return ShowStationTexts();
  SetLineText(Label1, ShownName(CurrentFile()), Qt::ElideLeft);
  SetLineText(Label2, TagText(MP3->Artist()));
  const QString title = TagText(MP3->SongTitle());
  SetLineText(Label3, title);
  if (!Cover->CachedFile().isEmpty()) Label3->setToolTip(Cover->Tip(title));
  const QString album = TagText(MP3->Info().Merged().album);
  TrayIcon1->SetTipHelp(album.isEmpty() ? title : title + u'\n' + album);
}

// A station: its name and buffering, the artist and title it sends; the tip names both.
void TForm1::ShowStationTexts() {
  const QString listName = playList_.StationName(CurrentFile());
  const TTrackFacts facts = FactsOf(*MP3, listName);
  SetLineText(Label1, StationLine(*MP3, listName));
  SetLineText(Label2, facts.artist);
  SetLineText(Label3, facts.title);
  const QString song = facts.artist.isEmpty() ? facts.title : facts.artist + " - " + facts.title;
  TrayIcon1->SetTipHelp(song == facts.album ? song : facts.album + "\n" + song);
}

bool TForm1::Paused() const { return MP3->Status() == engine::kStatusPaused || resumeAtMs_ >= 0; }

int64_t TForm1::PlayedMilliseconds() const {
  if (resumeAtMs_ >= 0) return resumeAtMs_;
  return MP3->Opened() ? MP3->PlayedMilliseconds() : 0;
}

void TForm1::Title() { OpenCurrent({.intent = TIntent::Play}); }

void TForm1::OpenCurrent(TOpening opening) {
  const int index = playList_.Queue().CurrentIndex();
  if (index < 0) return;
  const QString entry = playList_.Path(index);
  // Whatever was queued to follow the playing file gives way to the entry asked for.
  queuedId_ = 0;
  MP3->SetNextFile({});
  resumeAtMs_ = -1;
  if (opening.intent == TIntent::Play) SetOpenAndPlayEnabled(false);
  opening_ = std::move(opening);
  MP3->OpenFileAsync(playList_.Queue().PathAt(index));
  emit PlayerChanged();
}

void TForm1::Opened(const QString& entry, const std::exception* error) {
  if (!opening_) {
    // The command was stopped while its file was opening: the file is loaded, nothing plays.
    if (!error) ShowFileTexts();
    emit PlayerChanged();
    return;
  }
  TOpening opening = std::move(*opening_);
  opening_.reset();
  if (opening.intent == TIntent::Play) return PlayOpened(std::move(opening), entry, error);
  // A load may have overtaken a play that had offered nothing while it opened.
  if (MP3->Status() == engine::kStatusStopped) SetOpenAndPlayEnabled(true);
  if (!error) {
    ShowFileTexts();
    FollowStatus();
    emit PlayerChanged();
    return;
  }
  // The list no longer holds a file loaded before, so nothing stays loaded; the lines must not
  // go on naming it.
  resumeAtMs_ = -1;
  if (MP3->Status() == engine::kStatusStopped) MP3->Close();
  if (!MP3->Opened()) ClearFileTexts();
  emit PlayerChanged();
  if (opening.intent == TIntent::Load) {
    ReportError(prompts_, this,
                std::runtime_error(QStringLiteral("%1\n%2")
                                       .arg(ShownName(entry), QString::fromUtf8(error->what()))
                                       .toStdString()));
  }
}

void TForm1::PlayOpened(TOpening opening, const QString& entry, const std::exception* error) {
  if (!error) {
    if (!opening.skipped.isEmpty()) {
      prompts_.Notice(this,
                      tr("Skipped files that cannot be played:\n") + opening.skipped.join(u'\n'));
    }
    StartPlay();
    return;
  }
  // An entry that cannot be opened is skipped in the command's direction, until one opens or
  // every entry has failed once.
  const QString why = QString::fromUtf8(error->what());
  const QString shown = ShownName(entry);
  opening.skipped << (why.contains(shown) ? why : QStringLiteral("%1\n%2").arg(shown, why));
  const int limit = opening.limit < 0 ? playList_.Count() : opening.limit;
  const bool another =
      ++opening.tried < limit && (opening.forward ? playList_.Next() : playList_.Previous());
  if (another) {
    OpenCurrent(std::move(opening));
    return;
  }
  const QString skipped = opening.skipped.join(u'\n');
  if (opening.playing != 0 && MP3->Status() != engine::kStatusStopped) {
    // Nothing added could be played: what played goes on, and stays the current entry.
    playList_.SetCurrent(playList_.Queue().IndexOf(opening.playing));
    SetOpenAndPlayEnabled(false);
    QueueFollowing();
    emit PlayerChanged();
    prompts_.Notice(this, tr("Skipped files that cannot be played:\n") + skipped);
    return;
  }
  // Nothing in the list can be played: one message, and the window shows the stop.
  MP3->Stop();
  if (!MP3->Opened()) ClearFileTexts();
  SetOpenAndPlayEnabled(true);
  update();
  emit PlayerChanged();
  prompts_.Warning(this, tr("No file can be played:\n") + skipped, tr("Warning"));
}

void TForm1::StartPlay() {
  ShowFileTexts();
  const int64_t resumeAt = std::exchange(resumeAtMs_, -1);
  try {
    SettingColor2();
    // Named before playing: a short file may reach its end before Play returns.
    QueueFollowing();
    if (beforePlay_) beforePlay_();
    MP3->Play();
    if (resumeAt > 0) SeekTo(resumeAt);
    SetOpenAndPlayEnabled(false);
    emit PlayerChanged();
  } catch (const std::exception& error) {
    // When nothing plays now, the picture shows the stop and open and play are offered again.
    FollowStatus();
    if (MP3->Status() == engine::kStatusStopped) SetOpenAndPlayEnabled(true);
    if (!ShowDeviceError(error)) {
      prompts_.Warning(this, QString::fromUtf8(error.what()), tr("Warning"));
    }
  }
}

bool TForm1::ShowDeviceError(const std::exception& error) {
  const auto* device = dynamic_cast<const engine::TMPDeviceOpenError*>(&error);
  if (!device) return false;
  const QString name =
      device->DeviceName().empty() ? tr("(none)") : QString::fromStdString(device->DeviceName());
  // Not modal: a play asked for over the bus or at start-up, before the sound server is up, must
  // not leave a box that holds the window.
  prompts_.Notice(
      this,
      tr("Could not open the sound device: %1\n%2").arg(name, QString::fromUtf8(error.what())));
  return true;
}

void TForm1::MP3EndPlay(engine::TMP3EndPlayReason reason) {
  if (reason == engine::meprError) {
    // The window did not command this stop: show it now, and offer open and play again unless
    // a file is being opened to play.
    if (!opening_ || opening_->intent != TIntent::Play) SetOpenAndPlayEnabled(true);
    update();
    return;
  }
  if (reason != engine::meprEndOfStream) return;
  if (opening_) {
    // The file being opened decides what plays next.
    if (opening_->intent != TIntent::Play) SetOpenAndPlayEnabled(true);
    return;
  }
  const engine::TMPAfterEnd step = playList_.AdvanceAfterEnd();
  if (step == engine::TMPAfterEnd::Play) {
    Title();
    return;
  }
  // The window shows the stop and offers play again: of the entry that follows when the user
  // asked to stop after the file; from the start when the list is done, or, when the list was
  // emptied meanwhile, with nothing loaded.
  if (step == engine::TMPAfterEnd::Done) playList_.Rewind();
  if (playList_.Count() == 0) {
    MP3->Close();
    ClearFileTexts();
  }
  StopAfterItem->setChecked(false);
  SetOpenAndPlayEnabled(true);
  emit PlayerChanged();
}

void TForm1::QueueFollowing() {
  // While a file is being opened, the open one is about to give way to it.
  if (!MP3->Opened() || opening_) return;
  const int following = playList_.Queue().FollowingIndex();
  queuedId_ = following < 0 ? 0 : playList_.Queue().Entries()[static_cast<size_t>(following)].id;
  MP3->SetNextFile(following < 0 ? std::string() : playList_.Queue().PathAt(following));
}

void TForm1::FollowedOn() {
  // The entry named may have moved since; it is found by its id.
  playList_.SetCurrent(playList_.Queue().IndexOf(queuedId_));
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
  if (opening_) {
    // The file being opened plays once it is open; a second start adds nothing.
    opening_->intent = TIntent::Play;
    SetOpenAndPlayEnabled(false);
    return;
  }
  const int index = playList_.Queue().CurrentIndex();
  if (index < 0) playList_.Rewind();  // the entry loaded left the list: it starts again
  if (MP3->Status() == engine::kStatusStopped && index >= 0 &&
      CurrentFile() == playList_.Path(index)) {
    StartPlay();  // loaded already
    return;
  }
  Title();
}

void TForm1::Button2Click() {
  // A stop also ends a play command whose files are still being read.
  if (selectionPlays_) selections_.Drop();
  opening_.reset();
  resumeAtMs_ = -1;
  MP3->Stop();
  SetOpenAndPlayEnabled(true);
  SettingColor1();
}

void TForm1::Button3Click() {
  if (!playList_.Next()) return;
  OpenCurrent({.intent = TIntent::Play, .forward = true});
}

void TForm1::Button4Click() {
  if (!playList_.Previous()) return;
  OpenCurrent({.intent = TIntent::Play, .forward = false});
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
      if (resumeAtMs_ >= 0) Button1Click();  // a restored file goes on from its place
      break;
  }
}

void TForm1::Button6Click() {
  // A cancelled dialog changes nothing: the list, the lines and the playing file stay.
  const QStringList files = ChooseFiles();
  if (files.isEmpty()) return;
  ExpandSelection(files, false, [this](const QStringList& entries) { LoadSelection(entries); });
}

void TForm1::ExpandSelection(const QStringList& paths, bool play, TEntryExpansion::TDone use) {
  // A selection still being read gives way to the newer one.
  selections_.Drop();
  selectionPlays_ = play;
  selections_.Start(paths, [this, use = std::move(use)](const QStringList& entries) {
    Guarded([&] { use(entries); });
  });
}

void TForm1::LoadSelection(const QStringList& files) {
  if (files.isEmpty()) return;
  playList_.Assign(files);
  LoadEntry(0);
}

void TForm1::PlaySelection(const QStringList& files) {
  if (files.isEmpty()) return;
  playList_.Assign(files);
  Title();
}

void TForm1::LoadEntry(int index) {
  playList_.SetCurrent(index);
  OpenCurrent({.intent = TIntent::Load});
}

void TForm1::RestoreEntry(int index, int64_t positionMs) {
  playList_.SetCurrent(index);
  // A station is connected to when it plays: audio buffered before would be stale by then.
  if (IsStation(playList_.Path(index))) return;
  OpenCurrent({.intent = TIntent::Restore});
  // Kept from now on, so that a session saved before the file is open keeps it as well. A
  // restored pause offers what a pause does.
  if (positionMs > 0) {
    resumeAtMs_ = positionMs;
    SetOpenAndPlayEnabled(false);
  }
}

void TForm1::OpenAndPlay(const QStringList& files) {
  ExpandSelection(files, true, [this](const QStringList& entries) { PlaySelection(entries); });
}

void TForm1::AddToPlayList(const QStringList& paths, bool play) {
  additions_.Start(paths, [this, play](const QStringList& entries) {
    Guarded([&] { AppendEntries(entries, play); });
  });
}

void TForm1::AppendEntries(const QStringList& entries, bool play) {
  if (entries.isEmpty()) return;
  const int first = playList_.Count();
  playList_.Append(entries);
  ListEdited();
  if (play) {
    // Of the entries added, the first that opens plays; when none does, what plays goes on.
    const int current = playList_.Queue().CurrentIndex();
    const bool playing = MP3->Status() != engine::kStatusStopped && current >= 0 && !opening_;
    playList_.SetCurrent(first);
    OpenCurrent({.intent = TIntent::Play,
                 .limit = static_cast<int>(entries.size()),
                 .playing = playing ? playList_.Queue().Entries()[current].id : 0});
  } else if (!MP3->Opened() && !opening_) {
    LoadEntry(first);
  }
}

void TForm1::PlayEntry(int index) {
  if (index < 0 || index >= playList_.Count()) return;
  playList_.SetCurrent(index);
  Title();
}

void TForm1::N6Click() {
  const QStringList files = ChooseFiles();
  // Without a new selection (cancelled, or nothing in it to play) the list there is plays.
  if (files.isEmpty()) return Button1Click();
  ExpandSelection(files, true, [this](const QStringList& entries) {
    if (entries.isEmpty()) return Button1Click();
    PlaySelection(entries);
  });
}

QStringList TForm1::ChooseFiles() {
  const QStringList files = prompts_.ChooseFiles(this, initialFolder_);
  if (!files.isEmpty()) initialFolder_ = QFileInfo(files.first()).absolutePath() + u'/';
  return files;
}

QString TForm1::ChooseFolder() {
  const QString folder = prompts_.ChooseFolder(this, initialFolder_);
  if (!folder.isEmpty()) initialFolder_ = QFileInfo(folder).absoluteFilePath() + u'/';
  return folder;
}

void TForm1::AddFilesClick() {
  const QStringList files = ChooseFiles();
  if (!files.isEmpty()) AddToPlayList(files, false);
}

void TForm1::AddFolderClick() {
  const QString folder = ChooseFolder();
  if (!folder.isEmpty()) AddToPlayList({folder}, false);
}

void TForm1::OpenFolderClick() {
  // As Open: a cancelled dialog or a folder without audio changes nothing.
  const QString folder = ChooseFolder();
  if (folder.isEmpty()) return;
  ExpandSelection({folder}, true, [this](const QStringList& entries) { PlaySelection(entries); });
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

bool TForm1::CanSeek() const {
  const bool restoredWaits = resumeAtMs_ >= 0 && MP3->Status() == engine::kStatusStopped;
  return restoredWaits || (MP3->Capabilities() & engine::kCapCanSeek) != 0;
}

bool TForm1::SeekTo(int64_t ms) {
  const int64_t total = MP3->TotalMilliseconds();
  ms = std::max<int64_t>(0, total >= 0 ? std::min(ms, total) : ms);
  if (resumeAtMs_ >= 0 && MP3->Status() == engine::kStatusStopped) {
    resumeAtMs_ = ms;
  } else if (!MP3->Seek(ms)) {
    return false;
  }
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

void TForm1::RemoveEntries(const QList<int>& rows) {
  playList_.Remove(rows);
  ListEdited();
}

void TForm1::MoveEntry(int from, int to) {
  playList_.Move(from, to);
  ListEdited();
}

void TForm1::ClearPlayList() {
  playList_.Clear();
  ListEdited();
}

void TForm1::SetRepeat(engine::TMPRepeatMode mode) {
  playList_.SetRepeat(mode);
  ListEdited();
}

void TForm1::SetShuffle(bool on) {
  playList_.SetShuffle(on);
  ListEdited();
}

void TForm1::SetStopAfterCurrent(bool on) {
  if (playList_.Queue().StopAfterCurrent() == on) return;
  playList_.SetStopAfterCurrent(on);
  StopAfterItem->setChecked(on);
  ListEdited();  // nothing follows without a gap while it holds
}

void TForm1::ListEdited() {
  QueueFollowing();
  emit PlayerChanged();
}

void TForm1::BitBtn2Click() {
  // Closing stops the playback after the listeners of Closed have seen it.
  close();
}

}  // namespace yumekaze::app
