#pragma once

#include <exception>

class QWidget;

namespace yumekaze::app {

class TUserPrompts;

// The program's caption of its general error report.
inline constexpr char kApplicationTitle[] = "Yumekaze";

// The general error report: shows an error that nothing else handled in a message box captioned
// with the application title; the program then goes on.
void ReportError(TUserPrompts& prompts, QWidget* parent, const std::exception& error);

}  // namespace yumekaze::app
