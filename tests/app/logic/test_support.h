// Fakes and helpers shared by the player's logic tests.
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <vector>

#include "app/desktop/power_off.h"
#include "app/dialogs/user_prompts.h"

namespace yumekaze::app::test {

// Records every message box and modal dialog; answers the open dialog from a queue.
class TFakePrompts final : public TUserPrompts {
 public:
  struct TShown {
    QString text;
    QString caption;
  };

  void Warning(QWidget*, const QString& text, const QString& caption) override {
    warnings.push_back({text, caption});
  }
  void Information(QWidget*, const QString& text, const QString& caption) override {
    informations.push_back({text, caption});
    if (onInformation) onInformation();
  }
  void Notice(QWidget*, const QString& text) override { notices.push_back(text); }
  QStringList ChooseFiles(QWidget*, const QString& folder) override {
    dialogFolders.push_back(folder);
    if (choices.empty()) return {};
    QStringList files = choices.front();
    choices.pop_front();
    return files;
  }
  QString ChooseFolder(QWidget*, const QString& folder) override {
    dialogFolders.push_back(folder);
    return folderChoice;
  }
  QString ChooseSaveFile(QWidget*, const QString&) override { return saveAs; }
  int ShowModal(QDialog& dialog) override {
    modals.push_back(&dialog);
    return QDialog::Accepted;
  }
  QString AskText(QWidget*, const QString&, const QString&) override { return textAnswer; }

  std::vector<TShown> warnings;
  std::vector<TShown> informations;
  QStringList notices;
  std::function<void()> onInformation;
  std::deque<QStringList> choices;  // an empty list is a cancelled dialog
  QStringList dialogFolders;
  QString folderChoice;  // the folder dialog's answer; empty: cancelled
  QString saveAs;        // the save dialog's answer
  QString textAnswer;    // what the user types when asked for text; empty: cancelled
  std::vector<QDialog*> modals;
};

// Answers as logind would, never sends anything; refuses when refusal is set.
class TFakePowerOff final : public TPowerOff {
 public:
  void AskAllowed(TAllowed answer) override { answer(canSuspend, canPowerOff); }
  void Request(TSleepAction action, TRefused refused) override {
    ++requests;
    lastAction = action;
    if (onRequest) onRequest();
    if (!refusal.isEmpty()) refused(refusal);
  }
  bool canSuspend = true;
  bool canPowerOff = true;
  QString refusal;
  int requests = 0;
  TSleepAction lastAction = TSleepAction::Stop;
  std::function<void()> onRequest;
};

// The prompts of the tests' application object, which shows the general error reports.
TFakePrompts& ApplicationPrompts();

// Short MPEG audio files made with sox and twolame in a temporary folder.
class TAudioFiles {
 public:
  // Returns the path of a new file of `seconds` of a sine tone (Layer II, 44.1 kHz stereo).
  // Empty when the encoders are missing.
  QString MakeTone(const QString& name, double seconds);
  // A Layer III file made by lame with an ID3v2 artist and title (UTF-16 frames). Empty when
  // the encoders are missing.
  QString MakeTaggedMp3(const QString& name, double seconds, const QString& artist,
                        const QString& title);
  // Appends an ID3v1 tag with these raw artist and title bytes (at most 30 each) to a file.
  static bool AppendId3v1(const QString& path, const QByteArray& artist, const QByteArray& title);
  // A file that holds no MPEG audio.
  QString MakeText(const QString& name);
  // A JPEG picture of the given pixel size at name (a path below Folder(), folders made).
  QString MakePicture(const QString& name, QSize size);
  // Embeds a JPEG picture in a file's ID3v2 tag as its front cover, with mutagen's mid3v2.
  static bool EmbedCover(const QString& path, const QString& picture);
  QString Folder() const { return dir_.path() + u'/'; }

 private:
  QTemporaryDir dir_;
};

}  // namespace yumekaze::app::test
