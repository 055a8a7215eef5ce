#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>

namespace yumekaze::app {

class TForm1;

// The player's own interface beside MPRIS, on the same object.
inline constexpr char kHandOverInterface[] = "io.github.yumekaze.Yumekaze";

// One player per desktop session: a later start hands its files to the running player over
// the session bus (they join its list and the first plays) and ends.
class TInstanceHandOver : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "io.github.yumekaze.Yumekaze")

 public:
  TInstanceHandOver(QObject* object, TForm1& form1);

  // Claims the player's bus name. False when another start holds it (hand over to it then);
  // true also when there is no session bus, since each start then stands alone.
  static bool ClaimName();
  // Gives files to the player that holds the name; true when it took them.
  static bool HandOver(const QStringList& files);

 public slots:
  // Without files the running window comes to the front.
  void Open(const QStringList& files);
  // Adds files, folders and lists at the end of the list without playing them.
  void Enqueue(const QStringList& files);
  // Stops once the file playing ends.
  void StopAfterCurrent();

 private:
  TForm1& form1_;
};

}  // namespace yumekaze::app
