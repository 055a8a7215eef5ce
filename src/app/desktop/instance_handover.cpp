#include "app/desktop/instance_handover.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTimer>

#include "app/desktop/mpris_service.h"
#include "app/playlist/file_names.h"
#include "app/window/form1.h"

namespace yumekaze::app {

TInstanceHandOver::TInstanceHandOver(QObject* object, TForm1& form1)
    : QDBusAbstractAdaptor(object), form1_(form1) {}

bool TInstanceHandOver::ClaimName() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  return !bus.isConnected() || bus.registerService(QString::fromLatin1(kMprisServiceName));
}

bool TInstanceHandOver::HandOver(const QStringList& files) {
  QDBusMessage call = QDBusMessage::createMethodCall(
      QString::fromLatin1(kMprisServiceName), QString::fromLatin1(kMprisObjectPath),
      QString::fromLatin1(kHandOverInterface), QStringLiteral("Open"));
  QStringList portable;
  for (const QString& file : files) portable << PortableName(file);
  call << portable;
  return QDBusConnection::sessionBus().call(call, QDBus::Block, 10000).type() ==
         QDBusMessage::ReplyMessage;
}

namespace {

QStringList NamesFromPortable(const QStringList& portable) {
  QStringList files;
  for (const QString& file : portable) files << NameFromPortable(file);
  return files;
}

}  // namespace

void TInstanceHandOver::Open(const QStringList& portable) {
  const QStringList files = NamesFromPortable(portable);
  // After the reply: the caller ends at once, whatever the player shows.
  QTimer::singleShot(0, &form1_, [this, files] {
    form1_.Raise();
    form1_.AddToPlayList(files, true);
  });
}

void TInstanceHandOver::Enqueue(const QStringList& portable) {
  const QStringList files = NamesFromPortable(portable);
  QTimer::singleShot(0, &form1_, [this, files] { form1_.AddToPlayList(files, false); });
}

void TInstanceHandOver::StopAfterCurrent() {
  QTimer::singleShot(0, &form1_, [this] { form1_.SetStopAfterCurrent(true); });
}

}  // namespace yumekaze::app
