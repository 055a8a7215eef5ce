#include "app/dialogs/error_report.h"

#include <QString>

#include "app/dialogs/user_prompts.h"

namespace yumekaze::app {

void ReportError(TUserPrompts& prompts, QWidget* parent, const std::exception& error) {
  prompts.Warning(parent, QString::fromUtf8(error.what()), QString::fromUtf8(kApplicationTitle));
}

}  // namespace yumekaze::app
