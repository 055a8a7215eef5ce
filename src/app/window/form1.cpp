#include "app/window/form1.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QRegion>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QWheelEvent>
#include <QWindow>
#include <utility>

#include "app/covers/current_cover.h"
#include "app/desktop/tray_icon.h"
#include "app/dialogs/error_report.h"
#include "app/dialogs/form2.h"
#include "app/dialogs/user_prompts.h"
#include "app/playlist/file_names.h"
#include "app/settings/charset_choice.h"
#include "app/settings/settings_store.h"
#include "app/settings/volume_store.h"
#include "app/window/app_font.h"
#include "app/window/drop_target.h"
#include "app/window/key_commands.h"
#include "app/window/pictures.h"
#include "app/window/play_time_view.h"
#include "app/window/window_system.h"

namespace yumekaze::app {

namespace {

constexpr int kWidth = 329;
constexpr int kHeight = 199;
const QColor kRingGreen(0, 128, 0);

const QString kFileGroup = QStringLiteral("File");
const QString kInitialKey = QStringLiteral("Initial");

QLabel* MakeLabel(QWidget* parent, const QString& text, QRect geometry, int pixelSize,
                  const QColor& textColour, const QColor& background) {
  auto* label = new QLabel(text, parent);
  label->setFont(GothicFont(pixelSize));
  label->setAutoFillBackground(true);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, textColour);
  palette.setColor(QPalette::Window, background);
  label->setPalette(palette);
  label->setGeometry(geometry);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& picture, QSize pictureSize, QRect geometry,
                        const QString& caption = {}, const QString& hint = {}) {
  auto* button = new QPushButton(Picture(picture), caption, parent);
  button->setIconSize(pictureSize);
  button->setGeometry(geometry);
  button->setToolTip(hint);
  return button;
}

// The folder of a path including its final "/", or nothing when the path has no folder.
QString FolderOf(const QString& path) {
  const qsizetype slash = path.lastIndexOf(u'/');
  return slash < 0 ? QString() : path.left(slash + 1);
}

}  // namespace

TForm1::TForm1(std::unique_ptr<engine::TWaveDevice> device, TUserPrompts& prompts,
               std::function<bool()> trayAvailable)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint),
      MP3(std::make_unique<engine::TMP3Player>(std::move(device))),
      prompts_(prompts),
      trayAvailable_(std::move(trayAvailable)) {
  setWindowTitle(tr("Player"));
  setFixedSize(kWidth, kHeight);
  move(244, 155);
  setFont(GothicFont(12));
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::black);
  setPalette(palette);
  // Where the window system shows what lies below, the window paints its smooth ellipse on a
  // transparent surface; elsewhere its black rectangle is cut to the ellipse.
  translucent_ = TranslucentWindowsShown();
  setAttribute(Qt::WA_TranslucentBackground, translucent_);
  setAutoFillBackground(!translucent_);

  Cover = new TCurrentCover(this);
  ConfigurePlayer();
  CreateLabels();
  CreateButtons();
  CreateMenu();
  ConnectCommands();

  TrayIcon1 = new TTrayIcon(this);
  TrayIcon1->SetIcon(ProgramIcon());
  // The menu shows at the icon through the notification area; a click on the icon brings the
  // window back (a menu at the cursor cannot be placed where the cursor is not known).
  TrayIcon1->SetRBPopupMenu(PopupMenu1);
  TrayIcon1->OnMouseDown = [this](TTrayIcon*, Qt::MouseButton button, Qt::MouseButtons, int, int) {
    if (button == Qt::LeftButton) Raise();
  };
  TrayIcon1->SetTipHelp(QString::fromUtf8(kApplicationTitle));

  FormCreate();
  new TPlayTimeView(*this);
  InstallKeyCommands(*this, *this);
  connect(new TDropTarget(*this), &TDropTarget::Dropped, this,
          [this](const QStringList& paths) { AddToPlayList(paths, false); });
  // The list marks the entry loaded, whatever changed it.
  connect(this, &TForm1::PlayerChanged, this, [this] { playList_.MarkCurrent(MP3->Opened()); });
  connect(this, &TForm1::PlayerChanged, this, [this] {
    if (CurrentFile() == Cover->File()) return;
    Cover->Follow(CurrentFile(), MP3->Opened() && !MP3->Live() ? MP3->Info().Merged().picture
                                                               : engine::TPictureInfo{});
  });
  connect(Cover, &TCurrentCover::Changed, this, [this] {
    if (MP3->Opened()) ShowFileTexts();
    emit PlayerChanged();
  });
  for (TEntryExpansion* expansion : {&selections_, &additions_}) {
    expansion->SetOnNames([this](const TStationNames& names) { playList_.AddNames(names); });
  }
}

void TForm1::contextMenuEvent(QContextMenuEvent* event) {
  // The tray's menu, also where there is no tray.
  PopupMenu1->popup(event->globalPos());
}

TForm1::~TForm1() {
  // The notifier watches the player's descriptor, so it goes before the player.
  delete playerNotifier_;
}

void TForm1::ConfigurePlayer() {
  engine::TMP3Player& player = *MP3;
  player.BeginLoading();
  player.SetAutoOpen(true);
  player.SetAutoPlay(false);
  // The position moves when the sound server's device reports played buffers, once a second:
  // at this step the window gets one tick per report, some way after it, instead of two.
  player.SetChangePosStep(600);
  player.SetDecodePriority(engine::TThreadPriority::tpHighest);
  player.SetEqualizerEnabled(true);
  player.SetEqualizerCount(6);
  player.SetEqualizerMode(engine::memFreq);
  player.SetNoisySeek(true);
  player.SetUsingCpuCapabilities(engine::kAllCpuCapabilities);
  player.SetVolBalance(0);
  player.SetVolume(StoredVolume());
  player.SetOnChangeStatus([this](engine::TMP3Player&) { FollowStatus(); });
  player.SetOnEndPlay(
      [this](engine::TMP3Player&, engine::TMP3EndPlayReason reason) { MP3EndPlay(reason); });
  player.SetOnNextTrack([this](engine::TMP3Player&) { FollowedOn(); });
  player.SetOnOpened([this](engine::TMP3Player&, const std::string& name,
                            const std::exception* error) { Opened(NameFromBytes(name), error); });
  player.SetOnVolumeChange([this](engine::TMP3Player&) { AnnounceVolume(); });
  player.SetOnStreamInfo([this](engine::TMP3Player&) {
    ShowFileTexts();
    emit PlayerChanged();
  });
  player.SetOnShowException([this](engine::TMP3Player&, const std::exception& error) {
    // A sound device that fails while starting gets the same notice as when Play throws; the
    // end of play that follows shows the stop without a second message.
    if (!ShowDeviceError(error)) ReportError(prompts_, this, error);
  });
  player.Loaded();

  // The player's events arrive through its message window; pump it from the Qt event loop.
  playerNotifier_ = new QSocketNotifier(player.Window().NotifyFd(), QSocketNotifier::Read, this);
  connect(playerNotifier_, &QSocketNotifier::activated, this, [this] {
    // A handler may show a modal message box; its event loop must not see the descriptor, which
    // stays readable while the messages wait, or it would spin.
    playerNotifier_->setEnabled(false);
    Guarded([this] { MP3->Window().ProcessPending(); });
    playerNotifier_->setEnabled(true);
  });
}

void TForm1::CreateLabels() {
  const QColor white(255, 255, 255);
  const QColor schemeColour = SchemeColour(scheme_);
  Label1 = MakeLabel(this, QString(), QRect(48, 64, 0, 13), 13, white, schemeColour);
  Label2 = MakeLabel(this, QString(), QRect(48, 88, 0, 13), 13, white, schemeColour);
  Label3 = MakeLabel(this, QString(), QRect(48, 112, 0, 13), 13, white, schemeColour);
  Label5 = MakeLabel(this, tr("STOP"), QRect(144, 40, 42, 17), 17, white, schemeColour);
  Label4 = MakeLabel(this, tr("Timer Off"), QRect(136, 176, 49, 12), 12, QColor(0, 255, 255),
                     QColor(128, 0, 0));
  FitWord();
  Label1->setAccessibleDescription(tr("File"));
  Label2->setAccessibleDescription(tr("Artist"));
  Label3->setAccessibleDescription(tr("Title"));
  Label5->setAccessibleDescription(tr("Player state"));
  Label4->setAccessibleDescription(tr("Sleep timer"));
}

void TForm1::FitWord() { Label5->resize(std::max(42, Label5->sizeHint().width()), 17); }

void TForm1::CreateButtons() {
  const QSize transport(16, 16);
  BitBtn1 = MakeButton(this, QStringLiteral("minimize"), QSize(12, 10), QRect(224, 24, 17, 17), {},
                       tr("Minimize"));
  BitBtn3 = MakeButton(this, QStringLiteral("maximize"), QSize(11, 11), QRect(240, 24, 17, 17));
  BitBtn3->setEnabled(false);
  BitBtn2 = MakeButton(this, QStringLiteral("close"), QSize(12, 10), QRect(256, 24, 17, 17));
  Button4 = MakeButton(this, QStringLiteral("previous"), transport, QRect(48, 136, 43, 25), {},
                       tr("Back to the previous track"));
  Button5 =
      MakeButton(this, QStringLiteral("pause"), transport, QRect(96, 136, 41, 25), {}, tr("Pause"));
  Button1 =
      MakeButton(this, QStringLiteral("play"), transport, QRect(144, 136, 41, 25), {}, tr("Play"));
  Button2 =
      MakeButton(this, QStringLiteral("stop"), transport, QRect(192, 136, 41, 25), {}, tr("Stop"));
  Button3 = MakeButton(this, QStringLiteral("next"), transport, QRect(240, 136, 41, 25), {},
                       tr("On to the next track"));
  Button6 = MakeButton(this, QStringLiteral("open"), transport, QRect(248, 56, 57, 25), tr("Open"),
                       tr("Open files"));
  Button7 = MakeButton(this, QStringLiteral("sleep"), transport, QRect(248, 80, 57, 25),
                       tr("Sleep"), tr("Set the sleep timer"));
  Button8 = MakeButton(this, QStringLiteral("about"), transport, QRect(248, 104, 57, 25),
                       tr("About"), tr("About this player"));

  ListButton = new QPushButton(QStringLiteral("≡"), this);
  ListButton->setGeometry(207, 24, 17, 17);
  ListButton->setToolTip(tr("Play list\n") + KeyCommandsHelp());

  // Names for assistive technology are the hints; descriptions say what a button does.
  const std::pair<QPushButton*, std::pair<QString, QString>> described[] = {
      {BitBtn1, {tr("Minimize"), tr("Hides the window; the tray icon brings it back")}},
      {BitBtn3, {tr("Maximize"), tr("Not available in this window")}},
      {BitBtn2, {tr("Close"), tr("Ends the player (Ctrl+Q)")}},
      {Button4, {Button4->toolTip(), tr("Plays the previous track in the list (key B)")}},
      {Button5, {Button5->toolTip(), tr("Pauses or resumes playing (key P)")}},
      {Button1, {Button1->toolTip(), tr("Plays the loaded track (key P)")}},
      {Button2, {Button2->toolTip(), tr("Stops playing (key S)")}},
      {Button3, {Button3->toolTip(), tr("Plays the next track in the list (key N)")}},
      {Button6, {Button6->toolTip(), tr("Chooses files to play (key O)")}},
      {Button7, {Button7->toolTip(), tr("Opens the sleep timer (key T)")}},
      {Button8, {Button8->toolTip(), tr("Shows the version and the makers")}},
      {ListButton, {tr("Play list"), tr("Shows the play list (key L)")}},
  };
  for (const auto& [button, texts] : described) {
    button->setAccessibleName(texts.first);
    button->setAccessibleDescription(texts.second);
  }
  // The style's own focus mark is faint on these small buttons; the keyboard's place shows as
  // a gold frame.
  setStyleSheet(
      QStringLiteral("QPushButton:focus { border: 2px solid rgb(255, 200, 0); "
                     "border-radius: 3px; background: rgb(240, 240, 240); }"));
  // Every button is reached by Tab, the transport first, the window's own buttons last.
  const QList<QWidget*> tabOrder = {Button1, Button5, Button2, Button3,    Button4, Button6,
                                    Button7, Button8, BitBtn3, ListButton, BitBtn1, BitBtn2};
  for (qsizetype i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

void TForm1::CreateMenu() {
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setFont(GothicFont(12));
  auto item = [this](const QString& picture, const QString& caption) {
    return PopupMenu1->addAction(Picture(picture), caption);
  };
  N4 = item(QStringLiteral("previous"), tr("&Previous"));
  N2 = item(QStringLiteral("pause"), tr("Paus&e"));
  N1 = item(QStringLiteral("play"), tr("&Play"));
  N3 = item(QStringLiteral("stop"), tr("&Stop"));
  N5 = item(QStringLiteral("next"), tr("&Next"));
  N8 = PopupMenu1->addSeparator();
  N6 = item(QStringLiteral("open"), tr("&Open Files..."));
  OpenFolderItem = item(QStringLiteral("open"), tr("Open &Folder..."));
  AddFilesItem = PopupMenu1->addAction(tr("A&dd Files..."));
  AddFolderItem = PopupMenu1->addAction(tr("Add Fol&der..."));
  N7 = item(QStringLiteral("sleep"), tr("Sleep &Timer..."));
  AboutA1 = item(QStringLiteral("about"), tr("&About"));
  ListItem = PopupMenu1->addAction(tr("Play &List"));
  StopAfterItem = PopupMenu1->addAction(tr("Stop After This Trac&k"));
  StopAfterItem->setCheckable(true);
  AddCharsetMenu(PopupMenu1, [this] {
    if (MP3->Opened()) ShowFileTexts();
    playList_.Rescan();
  });
  N9 = PopupMenu1->addSeparator();
  R1 = item(QStringLiteral("restore"), tr("&Restore"));
  Exit1 = item(QStringLiteral("exit"), tr("E&xit"));
}

void TForm1::ConnectCommands() {
  auto bind = [this](auto* sender, auto signal, void (TForm1::*command)()) {
    connect(sender, signal, this,
            [this, command] { Guarded([this, command] { (this->*command)(); }); });
  };
  bind(Button1, &QPushButton::clicked, &TForm1::Button1Click);
  bind(Button2, &QPushButton::clicked, &TForm1::Button2Click);
  bind(Button3, &QPushButton::clicked, &TForm1::Button3Click);
  bind(Button4, &QPushButton::clicked, &TForm1::Button4Click);
  bind(Button5, &QPushButton::clicked, &TForm1::Button5Click);
  bind(Button6, &QPushButton::clicked, &TForm1::Button6Click);
  bind(Button7, &QPushButton::clicked, &TForm1::Button7Click);
  bind(Button8, &QPushButton::clicked, &TForm1::Button8Click);
  bind(BitBtn1, &QPushButton::clicked, &TForm1::BitBtn1Click);
  bind(BitBtn2, &QPushButton::clicked, &TForm1::BitBtn2Click);
  bind(ListButton, &QPushButton::clicked, &TForm1::ShowPlayList);
  bind(ListItem, &QAction::triggered, &TForm1::ShowPlayList);
  bind(N1, &QAction::triggered, &TForm1::Button1Click);
  bind(N2, &QAction::triggered, &TForm1::Button5Click);
  bind(N3, &QAction::triggered, &TForm1::Button2Click);
  bind(N4, &QAction::triggered, &TForm1::Button4Click);
  bind(N5, &QAction::triggered, &TForm1::Button3Click);
  bind(N6, &QAction::triggered, &TForm1::N6Click);
  bind(OpenFolderItem, &QAction::triggered, &TForm1::OpenFolderClick);
  bind(AddFilesItem, &QAction::triggered, &TForm1::AddFilesClick);
  bind(AddFolderItem, &QAction::triggered, &TForm1::AddFolderClick);
  bind(N7, &QAction::triggered, &TForm1::Button7Click);
  bind(AboutA1, &QAction::triggered, &TForm1::Button8Click);
  bind(R1, &QAction::triggered, &TForm1::R1Click);
  bind(Exit1, &QAction::triggered, &TForm1::BitBtn2Click);
  connect(StopAfterItem, &QAction::toggled, this, &TForm1::SetStopAfterCurrent);
}

void TForm1::Guarded(const std::function<void()>& command) {
  try {
    command();
  } catch (const std::exception& error) {
    ReportError(prompts_, this, error);
  }
}

void TForm1::FormCreate() {
  // Everything outside the inscribed ellipse is neither drawn nor clickable. A translucent
  // window keeps the mask only for clicks (on Wayland a mask is nothing more); it takes in a
  // rim of two pixels, as the region's steps stray up to a pixel inside the smoothed edge and
  // would cut notches into it.
  const QRect whole = rect();
  setMask(translucent_ ? QRegion(whole.adjusted(-2, -2, 2, 2), QRegion::Ellipse) & whole
                       : QRegion(whole, QRegion::Ellipse));
  // Without a stored folder the dialog starts in the user's music folder, else at home.
  QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
  if (music.isEmpty() || !QFileInfo(music).isDir()) music = QDir::homePath();
  const auto settings = OpenSettings();
  initialFolder_ = settings->value(kFileGroup + u'/' + kInitialKey).toString();
  if (initialFolder_.isEmpty()) initialFolder_ = music + u'/';
  ApplyStoredCharset();
}

void TForm1::SetCompanions(TForm2* form2, QDialog* aboutBox) {
  form2_ = form2;
  aboutBox_ = aboutBox;
  ViewTimer();
  if (!form2_) return;
  // The sleep timer lets the track end through the list's stop after the current entry.
  form2_->SetStopAfterTrack([this](bool on) {
    const bool playing = MP3->Status() == engine::kStatusPlaying && !Paused();
    SetStopAfterCurrent(on && playing);
    return playing;
  });
  connect(this, &TForm1::PlayerChanged, form2_, [this] {
    if (MP3->Status() == engine::kStatusStopped) form2_->PlaybackStopped();
  });
}

QColor TForm1::SchemeColour(TScheme scheme) {
  switch (scheme) {
    case TScheme::Stopped:
      return QColor(255, 0, 255);
    case TScheme::Playing:
      return QColor(0, 0, 255);
    case TScheme::Paused:
      return QColor(0, 128, 128);
  }
  return {};
}

void TForm1::ApplyScheme(TScheme scheme) {
  const QString words[] = {tr("STOP"), tr("PLAY"), tr("PAUSE")};
  scheme_ = scheme;
  const QColor colour = SchemeColour(scheme);
  for (QLabel* label : {Label1, Label2, Label3, Label5}) {
    if (label->palette().color(QPalette::Window) == colour) continue;
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, colour);
    label->setPalette(palette);
  }
  const QString& word = words[static_cast<int>(scheme)];
  if (Label5->text() != word) {
    Label5->setText(word);
    FitWord();
  }
  ViewTimer();
  emit PlayerChanged();
}

void TForm1::SettingColor1() {
  ApplyScheme(TScheme::Stopped);
  update();
}

void TForm1::SettingColor2() {
  ApplyScheme(TScheme::Playing);
  update();
}

void TForm1::SettingColor3() {
  ApplyScheme(TScheme::Paused);
  update();
}

void TForm1::ViewTimer() {
  if (!form2_) return;
  if (form2_->Counting()) {
    form2_->CountDown();
  } else {
    form2_->SettingOff();
  }
  Label4->resize(std::max(49, Label4->sizeHint().width()), 12);
}

void TForm1::FollowStatus() {
  switch (MP3->Status()) {
    case engine::kStatusPlaying:
      SettingColor2();
      break;
    case engine::kStatusPaused:
      SettingColor3();
      break;
    default:
      // A restored file waiting at its place shows as paused.
      if (resumeAtMs_ >= 0) {
        SettingColor3();
      } else {
        SettingColor1();
      }
      break;
  }
}

void TForm1::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  if (translucent_) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawEllipse(QRectF(rect()));
  }
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(kRingGreen);
  painter.drawEllipse(QRectF(10, 10, width() - 20, height() - 20));
  painter.setBrush(SchemeColour(scheme_));
  painter.drawEllipse(QRectF(30, 30, width() - 60, height() - 60));
}

void TForm1::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  // Any point of the surface serves as a title bar, once the mouse moves with the button held.
  dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
  drag_ = TDrag::Pressed;
}

void TForm1::mouseMoveEvent(QMouseEvent* event) {
  if (drag_ == TDrag::Pressed) {
    // The window system moves the window where it can (Wayland and X11 window managers); with
    // no window manager it is moved by hand.
    const bool system = windowHandle() && windowHandle()->startSystemMove();
    drag_ = system ? TDrag::None : TDrag::ByHand;
  }
  if (drag_ == TDrag::ByHand) move(event->globalPosition().toPoint() - dragOffset_);
}

void TForm1::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) drag_ = TDrag::None;
}

void TForm1::wheelEvent(QWheelEvent* event) {
  // One notch (120) is 5 steps of volume; touchpads send smaller deltas more often.
  wheelRest_ += event->angleDelta().y();
  const int steps = wheelRest_ / 24;
  wheelRest_ -= steps * 24;
  if (steps != 0) Guarded([&] { ChangeVolume(MP3->Volume() + steps); });
  event->accept();
}

void TForm1::closeEvent(QCloseEvent* event) {
  // Every close query stores the folder afresh, so a second one in a run is as safe as the first.
  // Nothing loaded keeps the folder stored before.
  if (!CurrentFile().isEmpty()) {
    initialFolder_ = FolderOf(CurrentFile());
    const auto settings = OpenSettings();
    settings->setValue(kFileGroup + u'/' + kInitialKey, initialFolder_);
    settings->sync();
  }
  event->accept();
  // Listeners still see the file and its position; the playback ends after them.
  emit Closed();
  opening_.reset();
  MP3->Stop();
}

}  // namespace yumekaze::app
