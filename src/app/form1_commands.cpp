// The main window's commands over the player and the play list.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "app/form1.h"
#include "app/form2.h"
#include "app/tray_icon.h"
#include "app/user_prompts.h"
#include "platform/text/tag_text.h"

namespace yumekaze::app {

namespace {

QString TagText(const std::string& bytes) {
  return QString::fromStdString(platform::DecodeTagText(bytes));
}

// The file lines end at the Open, Sleep and About buttons, which cover them from there on; a
// longer line would otherwise show its end as a coloured box on the ring beside the buttons.
constexpr int kLineRightEnd = 248;

void SetLineText(QLabel* label, const QString& text) {
  label->setText(text);
  // The line's width follows its text.
  label->resize(std::min(label->sizeHint().width(), kLineRightEnd - label->x()), label->height());
}

}  // namespace

void TForm1::ShowFileTexts() {
  SetLineText(Label1, QFile::decodeName(QByteArray::fromStdString(MP3->FileName())));
  SetLineText(Label2, TagText(MP3->Artist()));
  const QString title = TagText(MP3->SongTitle());
  SetLineText(Label3, title);
  TrayIcon1->SetTipHelp(title);
}

void TForm1::Title() {
  try {
    const QString entry = playList_.Current();
    MP3->SetFileName(QFile::encodeName(entry).toStdString());
    ShowFileTexts();
    SettingColor2();
    MP3->Play();
  } catch (const std::exception&) {
    // What the steps before the failure changed stays changed. When nothing plays now (a file
    // without MPEG audio left the player without a file, or playback could not start), the
    // picture shows the stop and open and play are offered again.
    update();
    if (MP3->Status() == engine::kStatusStopped) SetOpenAndPlayEnabled(true);
    prompts_.Warning(this, QStringLiteral("ファイルを指定してください"), QStringLiteral("警告"));
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
  playList_.Advance();
  Title();
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
}

void TForm1::Button1Click() {
  if (!MP3->Opened()) return;
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
  if (!MP3->Opened()) return;
  playList_.Advance();
  Title();
}

void TForm1::Button4Click() {
  if (!MP3->Opened()) return;
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
  // The dialog's list is emptied at the start of every run, also when the user cancels.
  playList_.Clear();
  const QStringList files = prompts_.ChooseFiles(this, initialFolder_);
  if (files.isEmpty()) {
    for (QLabel* label : {Label1, Label2, Label3}) SetLineText(label, QString());
    TrayIcon1->SetTipHelp(QString());
    return;
  }
  LoadSelection(files);
}

void TForm1::LoadSelection(const QStringList& files) {
  playList_.Assign(files);
  // Loading errors are not caught here: the general error report shows them.
  MP3->SetFileName(QFile::encodeName(playList_.Current()).toStdString());
  ShowFileTexts();
}

void TForm1::OpenAndPlay(const QStringList& files) {
  if (files.isEmpty()) return;
  Guarded([&] {
    LoadSelection(files);
    Button1Click();
  });
}

void TForm1::N6Click() {
  Button6Click();
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

void TForm1::BitBtn2Click() {
  MP3->Stop();
  close();
}

}  // namespace yumekaze::app
