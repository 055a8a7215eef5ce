#pragma once

#include <QColor>
#include <QPoint>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "app/playlist/entry_expansion.h"
#include "app/playlist/play_list_model.h"
#include "engine/player/mp3_player.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QSocketNotifier;
class QDialog;

namespace yumekaze::app {

class TCurrentCover;
class TForm2;
class TTrayIcon;
class TUserPrompts;

// The round, borderless main window: the current file's path, artist and title, the player's
// state as a word and a colour scheme, the transport buttons over the play list, and the open,
// sleep timer and About commands. Its tray icon's menu repeats every command.
class TForm1 : public QWidget {
  Q_OBJECT

 public:
  // The three colour schemes, one per player status.
  enum class TScheme { Stopped, Playing, Paused };

  // device: the wave device the player plays through. trayAvailable tells whether the desktop
  // shows a notification area (without one, minimising to the tray minimises normally).
  TForm1(std::unique_ptr<engine::TWaveDevice> device, TUserPrompts& prompts,
         std::function<bool()> trayAvailable);
  ~TForm1() override;

  // The sleep timer and About dialogs, created after this window.
  void SetCompanions(TForm2* form2, QDialog* aboutBox);

  TPlayListModel& PlayList() { return playList_; }
  TScheme Scheme() const { return scheme_; }
  static QColor SchemeColour(TScheme scheme);
  QString InitialFolder() const { return initialFolder_; }

  // Loads and plays the play list's current entry. Files open off the window's thread: the play
  // starts once the file is open, and only the latest command counts. Entries that cannot be
  // opened are skipped forward with a notice naming them; when none can, a "警告" box says so,
  // and a notice when the sound device fails.
  void Title();
  void SettingColor1();
  void SettingColor2();
  void SettingColor3();
  void ViewTimer();
  void MP3EndPlay(engine::TMP3EndPlayReason reason);
  // The sleep timer's stop at zero.
  void StopBySleepTimer();

  // The commands (buttons) and their menu twins.
  void Button1Click();     // play
  void Button2Click();     // stop
  void Button3Click();     // next
  void Button4Click();     // previous
  void Button5Click();     // pause / resume
  void Button6Click();     // open
  void Button7Click();     // sleep timer dialog
  void Button8Click();     // About box
  void BitBtn1Click();     // minimise to the tray
  void BitBtn2Click();     // close
  void R1Click();          // restore from the tray
  void N6Click();          // open, then play
  void OpenFolderClick();  // a folder's files, then play
  void AddFilesClick();    // files joined to the end of the list
  void AddFolderClick();   // a folder's files joined to the end of the list

  // The files given when the program starts (from the desktop's "open with"): they become the
  // play list as if chosen in the open dialog, and the first one plays (once they are expanded).
  void OpenAndPlay(const QStringList& files);
  // Adds files, folders and play lists at the end of the list, once they are expanded off the
  // window's thread, in the order added; with play, the first added entry plays at once.
  void AddToPlayList(const QStringList& paths, bool play);
  // Loads and plays the entry at index.
  void PlayEntry(int index);
  // Loads the entry at index without playing; a file that cannot be opened is reported.
  void LoadEntry(int index);
  // Loads the entry at index of a restored session without a sound; with a positionMs above 0
  // it waits there as paused, and play or resume go on from there. A file gone since leaves
  // nothing loaded, in silence.
  void RestoreEntry(int index, int64_t positionMs);
  // A command waits for its file to open.
  bool Opening() const { return opening_.has_value(); }
  // The player is paused, or a restored file waits at its stored place.
  bool Paused() const;
  // The time played of the loaded file, or where a restored one waits.
  int64_t PlayedMilliseconds() const;
  // The loaded file's full path; empty when none is loaded.
  QString CurrentFile() const;
  // Editing the list; the loaded file stays loaded and playing.
  void RemoveEntries(const QList<int>& rows);
  void MoveEntry(int from, int to);
  void ClearPlayList();
  // The play list window, made after this window; ShowPlayList brings it up.
  void SetPlayListPanel(QWidget* panel) { playListPanel_ = panel; }
  void ShowPlayList();
  // SeekTo can move the place: the file plays or is paused, or a restored file waits.
  bool CanSeek() const;
  // Moves the playback of the open file, or the place a restored one waits at, to ms (clamped to
  // the file); false when it cannot seek.
  bool SeekTo(int64_t ms);
  // Sets the volume (0..100) as the user asked for it: it is kept for the next start.
  void ChangeVolume(int volume);
  // Shows the window in front, also from the tray.
  void Raise();
  void SetRepeat(engine::TMPRepeatMode mode);
  void SetShuffle(bool on);
  // Stops once the file playing ends (the menu's tick shows it); the end of a file clears it.
  void SetStopAfterCurrent(bool on);
  // Runs a command; an exception it lets through goes to the general error report.
  void Guarded(const std::function<void()>& command);
  // Runs before each start of the player by a play command: the sound output may be chosen anew.
  void SetBeforePlay(std::function<void()> beforePlay) { beforePlay_ = std::move(beforePlay); }
  // The folder the open dialog starts in.
  void SetInitialFolder(const QString& folder) { initialFolder_ = folder; }

  std::unique_ptr<engine::TMP3Player> MP3;

  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label5;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  QPushButton* BitBtn3;
  QPushButton* Button1;
  QPushButton* Button2;
  QPushButton* Button3;
  QPushButton* Button4;
  QPushButton* Button5;
  QPushButton* Button6;
  QPushButton* Button7;
  QPushButton* Button8;
  QPushButton* ListButton;  // the play list window

  QMenu* PopupMenu1;
  QAction* N4;
  QAction* N2;
  QAction* N1;
  QAction* N3;
  QAction* N5;
  QAction* N8;
  QAction* N6;
  QAction* N7;
  QAction* AboutA1;
  QAction* ListItem;
  QAction* StopAfterItem;
  QAction* OpenFolderItem;
  QAction* AddFilesItem;
  QAction* AddFolderItem;
  QAction* N9;
  QAction* R1;
  QAction* Exit1;

  TTrayIcon* TrayIcon1;
  // The front cover of the file loaded.
  TCurrentCover* Cover;

 signals:
  // The window accepted its close: the program ends.
  void Closed();
  // The player's status, the loaded file or the play list changed.
  void PlayerChanged();
  // The playback moved to ms by a seek.
  void Seeked(qint64 ms);
  // The volume changed, by the user or in the desktop's mixer.
  void VolumeChanged(int volume);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void FormCreate();
  void ConfigurePlayer();
  void CreateLabels();
  void CreateButtons();
  void CreateMenu();
  void ConnectCommands();
  void ApplyScheme(TScheme scheme);
  // The state word's label as wide as its word needs, at least its designed 42 pixels.
  void FitWord();
  // The open dialogs; the folder chosen in is where the next one starts.
  QStringList ChooseFiles();
  QString ChooseFolder();
  // Follows a status change of the player, whoever caused it.
  void FollowStatus();
  void ClearFileTexts();
  void ShowFileTexts();
  void ShowStationTexts();
  void SetOpenAndPlayEnabled(bool enabled);
  // After an edit of the list: what follows, and the listeners.
  void ListEdited();
  // What a file being opened is for, and where a play goes on when it cannot be opened.
  enum class TIntent { Load, Restore, Play };
  struct TOpening {
    TIntent intent = TIntent::Play;
    bool forward = true;
    int tried = 0;
    int limit = -1;            // how many entries it may try; -1: the whole list
    uint64_t playing = 0;      // the entry that plays on when none of them opens; 0: none
    QStringList skipped = {};  // why each entry passed over failed
  };
  // Opens the play list's current entry off the window's thread; Opened goes on from there.
  void OpenCurrent(TOpening opening);
  // The player's answer to the latest opening: error is null when entry is open now.
  void Opened(const QString& entry, const std::exception* error);
  // The player opened the entry of a play command, or could not.
  void PlayOpened(TOpening opening, const QString& entry, const std::exception* error);
  // Keeps and shows the player's volume, however it changed.
  void AnnounceVolume();
  // Plays the loaded file; a device that cannot open is named in a notice.
  void StartPlay();
  // Names a sound device that cannot be opened in a notice; false for other errors.
  bool ShowDeviceError(const std::exception& error);
  // Names the list's following entry to the player, which goes on with it without a gap.
  void QueueFollowing();
  // The player went on with the queued entry.
  void FollowedOn();
  // Expands what the user chose off the window's thread, then hands the entries to use; a newer
  // selection replaces one still being expanded, and a stop one that plays.
  void ExpandSelection(const QStringList& paths, bool play, TEntryExpansion::TDone use);
  // Appends expanded entries to the list; with play, the first of them plays at once.
  void AppendEntries(const QStringList& entries, bool play);
  // Makes the files the play list and loads its first entry.
  void LoadSelection(const QStringList& files);
  // Makes the files the play list and plays its first entry.
  void PlaySelection(const QStringList& files);

  TUserPrompts& prompts_;
  std::function<bool()> trayAvailable_;
  std::function<void()> beforePlay_;
  TForm2* form2_ = nullptr;
  QDialog* aboutBox_ = nullptr;
  QWidget* playListPanel_ = nullptr;
  TPlayListModel playList_;
  TScheme scheme_ = TScheme::Stopped;
  QString initialFolder_;
  QSocketNotifier* playerNotifier_;
  bool translucent_ = false;  // the window paints its ellipse on a transparent surface
  // A press on the surface moves the window once the mouse moves; by hand where the window
  // system cannot.
  enum class TDrag { None, Pressed, ByHand };
  TDrag drag_ = TDrag::None;
  QPoint dragOffset_;
  int wheelRest_ = 0;      // wheel movement not yet turned into volume steps
  uint64_t queuedId_ = 0;  // the entry named to the player to follow the current one; 0: none
  std::optional<TOpening> opening_;  // the command waiting for its file to open
  int64_t resumeAtMs_ = -1;          // where a restored file waits to go on; -1: none
  TEntryExpansion selections_;       // the open commands' files, folders and lists
  bool selectionPlays_ = false;      // the selection being read is to play
  TEntryExpansion additions_;        // what is added to the list, in the order it was added
};

}  // namespace yumekaze::app
