#pragma once

class QCoreApplication;
class QLocale;

namespace yumekaze::app {

// The program speaks Japanese under a Japanese locale and English, its source language,
// elsewhere. Installs the program's translation and Qt's own (standard dialogs and buttons) for
// locale, replacing the ones installed before; widgets made afterwards read the new language.
void InstallTranslations(QCoreApplication& application, const QLocale& locale);

}  // namespace yumekaze::app
