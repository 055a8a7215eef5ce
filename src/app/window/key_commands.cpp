#include "app/window/key_commands.h"

#include <QAction>
#include <QCoreApplication>
#include <QPushButton>
#include <QShortcut>

#include "app/window/form1.h"

namespace yumekaze::app {

namespace {

constexpr int64_t kSeekStepMs = 5000;
constexpr int kVolumeStep = 5;

void PlayOrPause(TForm1& form1) {
  if (form1.MP3->Status() == engine::kStatusStopped) {
    form1.Button1Click();
  } else {
    form1.Button5Click();
  }
}

}  // namespace

void InstallKeyCommands(TForm1& form1, QWidget& window) {
  auto bind = [&](QList<QKeySequence> keys, std::function<void()> command) {
    for (const QKeySequence& key : keys) {
      auto* shortcut = new QShortcut(key, &window);
      QObject::connect(shortcut, &QShortcut::activated, &form1,
                       [&form1, command] { form1.Guarded(command); });
    }
  };
  TForm1* f = &form1;
  // The play list keeps letters for finding a title and the arrows for moving through it.
  const bool main = &window == &form1;
  const auto letter = [main](Qt::Key key) {
    return main ? QList<QKeySequence>{key} : QList<QKeySequence>{};
  };
  bind(letter(Qt::Key_P) +
           QList<QKeySequence>{Qt::Key_MediaPlay, Qt::Key_MediaTogglePlayPause, Qt::Key_MediaPause},
       [f] { PlayOrPause(*f); });
  bind(letter(Qt::Key_S) << Qt::Key_MediaStop, [f] { f->Button2Click(); });
  bind(letter(Qt::Key_N) << Qt::Key_MediaNext, [f] { f->Button3Click(); });
  bind(letter(Qt::Key_B) << Qt::Key_MediaPrevious, [f] { f->Button4Click(); });
  // As the button: not while something plays, when Open is greyed.
  bind(letter(Qt::Key_O), [f] {
    if (f->Button6->isEnabled()) f->Button6Click();
  });
  bind(letter(Qt::Key_L), [f] { f->ShowPlayList(); });
  bind(letter(Qt::Key_T), [f] { f->Button7Click(); });
  if (main) {
    bind({Qt::Key_Left}, [f] { f->SeekTo(f->PlayedMilliseconds() - kSeekStepMs); });
    bind({Qt::Key_Right}, [f] { f->SeekTo(f->PlayedMilliseconds() + kSeekStepMs); });
    bind({Qt::Key_Up, Qt::Key_VolumeUp}, [f] { f->ChangeVolume(f->MP3->Volume() + kVolumeStep); });
    bind({Qt::Key_Down, Qt::Key_VolumeDown},
         [f] { f->ChangeVolume(f->MP3->Volume() - kVolumeStep); });
  }
  bind({QKeySequence(Qt::CTRL | Qt::Key_Q)}, [f] { f->BitBtn2Click(); });
}

QString PlayListKeysHelp() {
  return QCoreApplication::translate(
      "KeyCommands", "Enter play  Delete remove  type letters to find a title  Ctrl+Q quit");
}

QString KeyCommandsHelp() {
  return QCoreApplication::translate(
      "KeyCommands",
      "P play/pause  S stop  N next  B previous  O open  L play list  "
      "T timer  ←/→ back/forward 5 s  ↑/↓ volume  Ctrl+Q quit");
}

}  // namespace yumekaze::app
