// Start-up: the application titled "Yumekaze", then the main window, the sleep timer and the
// About box, created once in that order and kept for the whole run; then the event loop. A
// start while another player runs in the session hands its files to that one and ends.
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "app/application.h"
#include "app/desktop/desktop_id.h"
#include "app/desktop/instance_handover.h"
#include "app/desktop/logind_delay_lock.h"
#include "app/desktop/mpris_service.h"
#include "app/desktop/power_off.h"
#include "app/desktop/quit_signals.h"
#include "app/desktop/remote_commands.h"
#include "app/desktop/track_notices.h"
#include "app/desktop/tray_icon.h"
#include "app/dialogs/about_box.h"
#include "app/dialogs/form2.h"
#include "app/dialogs/user_prompts.h"
#include "app/equalizer/equalizer_menu.h"
#include "app/equalizer/equalizer_window.h"
#include "app/playlist/file_names.h"
#include "app/playlist/play_list_panel.h"
#include "app/settings/equalizer_store.h"
#include "app/settings/replay_gain_store.h"
#include "app/settings/session_keeper.h"
#include "app/settings/session_store.h"
#include "app/settings/wave_device_choice.h"
#include "app/window/form1.h"

using namespace yumekaze::app;

namespace {

constexpr char kUsage[] =
    "Usage: yumekaze [FILE|FOLDER|LIST]...\n"
    "Plays MPEG audio files, folders of them and M3U, M3U8 or PLS play lists.\n"
    "When a player already runs in this session, the files join its play list.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "  --version      show the version and exit\n"
    "  --device NAME  the sound output: auto (the default: the sound server when one\n"
    "                 answers, else ALSA), pulse[:SINK], alsa[:NAME], null or wav:PATH\n"
    "\n"
    "Environment: YUMEKAZE_DEVICE names the sound output when --device is not given.\n"
    "\n";

}  // namespace

int main(int argc, char** argv) {
  if (const std::optional<int> status = RunRemoteCommand(argc, argv)) return *status;
  // Options are answered before any window or bus connection exists.
  // Files are named by the bytes given, which need not be text.
  bool options = true;
  QStringList files;
  for (int i = 1; i < argc; ++i) {
    if (!options || argv[i][0] != '-') {
      files << AbsoluteName(NameFromBytes(argv[i]));
      continue;
    }
    if (std::strcmp(argv[i], "--") == 0) {
      options = false;
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      std::fputs(kRemoteUsage, stdout);
      return 0;
    } else if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("yumekaze %s\n", kVersion);
      return 0;
    } else if (std::strcmp(argv[i], "--device") == 0 && i + 1 < argc) {
      ++i;  // the name, taken by ChooseWaveDevice below
    } else if (std::strncmp(argv[i], "--device=", 9) == 0) {
      continue;
    } else {
      std::fprintf(stderr, "yumekaze: unknown option %s\n%s%s", argv[i], kUsage, kRemoteUsage);
      return 2;
    }
  }

  // Qt would abort without a display; say what to do instead.
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
      !std::getenv("QT_QPA_PLATFORM")) {
    std::fputs(
        "yumekaze: no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is "
        "set); yumekaze-cli play plays in a terminal\n",
        stderr);
    return 1;
  }

  TDialogPrompts prompts;
  TApplication application(argc, argv, prompts);

  QStringList arguments = QCoreApplication::arguments().mid(1);
  TWaveDeviceChoice sound = ChooseWaveDevice(arguments);
  if (!TInstanceHandOver::ClaimName() && TInstanceHandOver::HandOver(files)) return 0;

  TLogindPowerOff powerOff;
  TForm1 Form1(std::move(sound.device), prompts, &TTrayIcon::SystemTrayAvailable);
  TWaveDeviceSelection device(*Form1.MP3, sound.name);
  Form1.SetBeforePlay([&device] { device.RefreshAuto(); });
  AddWaveDeviceMenu(*Form1.PopupMenu1, Form1.N9, device, prompts);
  RestoreEqualizer(*Form1.MP3);
  RestoreReplayGain(*Form1.MP3);
  TEqualizerWindow equalizer(*Form1.MP3, prompts);
  AddEqualizerMenu(*Form1.PopupMenu1, Form1.N9, *Form1.MP3, equalizer);
  // The gain applied is one of the facts the windows show.
  QObject::connect(&equalizer, &TEqualizerWindow::ReplayGainChanged, &Form1,
                   &TForm1::PlayerChanged);
  new TTrackNotices(Form1);
  // A recording into a file ends with the list instead of repeating it until the disk is full.
  Form1.PlayList().SetSinglePass(sound.name.startsWith(u"wav:"));
  auto* session = new TSessionKeeper(Form1);
  // The session is stored as the sleep timer left it before the system is asked to go down.
  TForm2 Form2(
      *Form1.Label4,
      [&Form1, session] {
        Form1.StopBySleepTimer();
        session->SaveNow();
      },
      powerOff, prompts);
  Form2.SetVolumeControl([&Form1] { return Form1.MP3->Volume(); },
                         [&Form1](int volume) { Form1.MP3->SetVolume(volume); });
  TAboutBox AboutBox;
  Form1.SetCompanions(&Form2, &AboutBox);
  TPlayListPanel playList(Form1, prompts);
  Form1.SetPlayListPanel(&playList);
  auto* mpris = new TMprisService(Form1);
  mpris->Register();
  QObject::connect(&Form1, &TForm1::Closed, session, &TSessionKeeper::SaveNow);
  QObject::connect(&Form1, &TForm1::Closed, &application, &QApplication::quit,
                   Qt::QueuedConnection);
  // Logout, shutdown and a closed terminal end the program as its close command does.
  TQuitSignals quitSignals;
  QObject::connect(&quitSignals, &TQuitSignals::Received, &Form1, &TForm1::BitBtn2Click);
  new TLogindDelayLock([session] { session->SaveNow(); }, session);

  Form1.show();
  // A device name that is not known; a device that does not answer is named when a play fails.
  if (!sound.problem.isEmpty()) prompts.Notice(&Form1, sound.problem);
  if (files.isEmpty()) {
    RestoreSession(Form1);
  } else {
    // Files named on the command line (the desktop entry passes the chosen files) play at once.
    QTimer::singleShot(0, &Form1, [&Form1, files] { Form1.OpenAndPlay(files); });
  }
  return application.exec();
}
