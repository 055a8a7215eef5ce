#include "app/translations/app_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace yumekaze::app {

namespace {

const char kTranslatorName[] = "yumekaze-translator";

void Install(QCoreApplication& application, const QString& name, const QString& folder) {
  auto* translator = new QTranslator(&application);
  translator->setObjectName(QString::fromLatin1(kTranslatorName));
  if (translator->load(name, folder)) {
    QCoreApplication::installTranslator(translator);
  } else {
    delete translator;
  }
}

}  // namespace

void InstallTranslations(QCoreApplication& application, const QLocale& locale) {
  for (QTranslator* old : application.findChildren<QTranslator*>(
           QString::fromLatin1(kTranslatorName), Qt::FindDirectChildrenOnly)) {
    QCoreApplication::removeTranslator(old);
    delete old;
  }
  if (locale.language() != QLocale::Japanese) return;
  // Built by CMake from translations/yumekaze_ja.ts and compiled in.
  Install(application, QStringLiteral("yumekaze_ja"), QStringLiteral(":/i18n"));
  Install(application, QStringLiteral("qt_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

}  // namespace yumekaze::app
