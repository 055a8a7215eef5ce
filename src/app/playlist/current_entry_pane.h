#pragma once

#include <QWidget>

class QLabel;

namespace yumekaze::app {

class TForm1;

// The play list window's pane for the file loaded: its cover, album, track number, year, format,
// bitrate and the ReplayGain gain it plays at.
class TCurrentEntryPane : public QWidget {
  Q_OBJECT

 public:
  TCurrentEntryPane(TForm1& form1, QWidget* parent);

  QLabel* Picture;
  QLabel* Album;
  QLabel* Track;
  QLabel* Year;
  QLabel* Format;
  QLabel* Bitrate;
  QLabel* Gain;

 private:
  void Show();

  TForm1& form1_;
};

}  // namespace yumekaze::app
