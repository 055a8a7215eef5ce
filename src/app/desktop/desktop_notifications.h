#pragma once

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

class QDBusPendingCall;

namespace yumekaze::app {

// A notice in the desktop's notification list.
struct TNotice {
  QString summary = {};
  QString body = {};
  // An icon name of the theme, or an icon file's path; empty: the program's icon.
  QString icon = {};
  // A picture file shown with the text (a cover, say); empty: none.
  QString image = {};
  // Key and label of each button; shown where the server offers buttons at all.
  QList<QPair<QString, QString>> actions = {};
  int timeoutMs = -1;  // -1: as the server likes
};

// Shows notices through the desktop's notification server (org.freedesktop.Notifications on
// the session bus). Each object keeps one notice up at a time: a new one takes the place of the
// one it showed before. Every call is asynchronous; without a server nothing shows and nothing
// waits.
class TDesktopNotifications final : public QObject {
  Q_OBJECT

 public:
  explicit TDesktopNotifications(QObject* parent = nullptr);
  // Takes the notice away: it would outlive the program otherwise.
  ~TDesktopNotifications() override;

  // Shows the notice in place of this object's previous one, if that is still up.
  void Show(const TNotice& notice);
  // Takes this object's notice away.
  void Close();

 signals:
  // A button of this object's notice was pressed: its key.
  void ActionInvoked(const QString& key);

 private:
  // Sends the latest notice not yet sent once the call before has been answered.
  void SendNext();
  // Calls the server; answered (when given) takes the answer.
  void Call(const QString& method, const QVariantList& arguments,
            void (TDesktopNotifications::*answered)(const QDBusPendingCall&) = nullptr);
  void CapabilitiesAnswered(const QDBusPendingCall& call);
  void NotifyAnswered(const QDBusPendingCall& call);

 private slots:
  // The server's signals, about any program's notices.
  void ServerInvoked(uint id, const QString& key);
  void ServerClosed(uint id, uint reason);

 private:
  bool connected_;
  std::optional<QStringList> capabilities_;  // asked once, before the first notice
  std::optional<TNotice> waiting_;           // the latest notice not yet sent
  bool closeWanted_ = false;                 // take the notice away once its id is known
  bool calling_ = false;                     // a call waits for its answer
  uint id_ = 0;                              // the server's id of the notice up; 0: none
};

}  // namespace yumekaze::app
