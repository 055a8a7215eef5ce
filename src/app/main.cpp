// Start-up: the application titled "Yumekaze", then the main window, the sleep timer and the
// About box, created once in that order and kept for the whole run; then the event loop.
#include <QFileInfo>
#include <QTimer>

#include "app/about_box.h"
#include "app/application.h"
#include "app/form1.h"
#include "app/form2.h"
#include "app/power_off.h"
#include "app/tray_icon.h"
#include "app/user_prompts.h"
#include "app/wave_device_choice.h"

using namespace yumekaze::app;

int main(int argc, char** argv) {
  TDialogPrompts prompts;
  TApplication application(argc, argv, prompts);
  TLogindPowerOff powerOff;

  QStringList arguments = QCoreApplication::arguments().mid(1);
  TWaveDeviceChoice sound = ChooseWaveDevice(arguments);
  TForm1 Form1(std::move(sound.device), prompts, &TTrayIcon::SystemTrayAvailable);
  AddWaveDeviceMenu(*Form1.PopupMenu1, Form1.N9, *Form1.MP3, prompts, sound.name);
  TForm2 Form2(
      *Form1.Label4, [&Form1] { Form1.StopBySleepTimer(); }, powerOff, prompts);
  TAboutBox AboutBox;
  Form1.SetCompanions(&Form2, &AboutBox);
  QObject::connect(&Form1, &TForm1::Closed, &application, &QApplication::quit,
                   Qt::QueuedConnection);

  // Files named on the command line (the desktop entry passes the chosen files) play at once.
  QStringList files;
  for (const QString& argument : arguments) {
    files << QFileInfo(argument).absoluteFilePath();
  }

  Form1.show();
  if (!sound.problem.isEmpty()) prompts.Warning(&Form1, sound.problem, QStringLiteral("Yumekaze"));
  QTimer::singleShot(0, &Form1, [&Form1, files] { Form1.OpenAndPlay(files); });
  return application.exec();
}
