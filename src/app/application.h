#pragma once

#include <QApplication>

#include "app/dialogs/user_prompts.h"

namespace yumekaze::app {

// The application object: titled "Yumekaze"; an exception that escapes an event handler is shown
// by the general error report instead of ending the program.
class TApplication : public QApplication {
 public:
  // prompts shows the error reports; it must outlive the application object.
  TApplication(int& argc, char** argv, TUserPrompts& prompts);
  bool notify(QObject* receiver, QEvent* event) override;

 private:
  TUserPrompts& prompts_;
};

}  // namespace yumekaze::app
