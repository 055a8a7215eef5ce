#pragma once

#include <QObject>

namespace yumekaze::app {

class TForm1;
class TMprisPlayer;

// The name media keys, desktop media controls and playerctl look for on the session bus.
inline constexpr char kMprisServiceName[] = "org.mpris.MediaPlayer2.yumekaze";
inline constexpr char kMprisObjectPath[] = "/org/mpris/MediaPlayer2";

// The main window on the session bus: the MPRIS2 root and player interfaces and the hand-over
// of files from later starts, at /org/mpris/MediaPlayer2. Every change of the player's
// properties is announced with PropertiesChanged.
class TMprisService : public QObject {
  Q_OBJECT

 public:
  explicit TMprisService(TForm1& form1);
  // Registers the object on the session bus; false without a bus.
  bool Register();

 private:
  void AnnounceChanges();

  TMprisPlayer* player_;
};

}  // namespace yumekaze::app
