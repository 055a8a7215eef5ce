// Start-up: the application titled "Yumekaze", then the main window, the sleep timer and the
// About box, created once in that order and kept for the whole run; then the event loop.
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

  TForm1 Form1(ChooseWaveDevice(), prompts, &TTrayIcon::SystemTrayAvailable);
  TForm2 Form2(
      *Form1.Label4, [&Form1] { Form1.MP3->Stop(); }, powerOff, prompts);
  TAboutBox AboutBox;
  Form1.SetCompanions(&Form2, &AboutBox);
  QObject::connect(&Form1, &TForm1::Closed, &application, &QApplication::quit,
                   Qt::QueuedConnection);

  Form1.show();
  return application.exec();
}
