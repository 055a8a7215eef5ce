#include "app/application.h"

#include <stdexcept>

#include "app/error_report.h"
#include "app/pictures.h"

namespace yumekaze::app {

TApplication::TApplication(int& argc, char** argv, TUserPrompts& prompts)
    : QApplication(argc, argv), prompts_(prompts) {
  // The name serves as the display name too; an explicit display name would make the window
  // system append " — Yumekaze" to every dialog's caption.
  setApplicationName(QString::fromUtf8(kApplicationTitle));
  setDesktopFileName(QStringLiteral("yumekaze"));
  setWindowIcon(ProgramIcon());
  // The main window may hide in the tray while a dialog closes; only closing it ends the program.
  setQuitOnLastWindowClosed(false);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ReportError(prompts_, activeWindow(), error);
  } catch (...) {
    ReportError(prompts_, activeWindow(), std::runtime_error("unknown error"));
  }
  return false;
}

}  // namespace yumekaze::app
