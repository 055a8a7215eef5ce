#include "app/application.h"

#include <QLocale>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <stdexcept>

#include "app/desktop/desktop_id.h"
#include "app/dialogs/error_report.h"
#include "app/translations/app_language.h"
#include "app/window/pictures.h"

namespace yumekaze::app {

TApplication::TApplication(int& argc, char** argv, TUserPrompts& prompts)
    : QApplication(argc, argv), prompts_(prompts) {
  // The name serves as the display name too; an explicit display name would make the window
  // system append " — Yumekaze" to every dialog's caption.
  setApplicationName(QString::fromUtf8(kApplicationTitle));
  setDesktopFileName(QString::fromUtf8(kDesktopId));
  setWindowIcon(ProgramIcon());
  InstallTranslations(*this, QLocale::system());
  // The main window may hide in the tray while a dialog closes; only closing it ends the program.
  setQuitOnLastWindowClosed(false);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  // An exception must not unwind through Qt's event dispatch, and no dialog may open inside it:
  // the report is shown from the event loop once this event is done.
  std::string message;
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    message = error.what();
  } catch (...) {
    message = "unknown error";
  }
  QTimer::singleShot(0, this, [this, message, parent = QPointer<QWidget>(activeWindow())] {
    ReportError(prompts_, parent, std::runtime_error(message));
  });
  return false;
}

}  // namespace yumekaze::app
