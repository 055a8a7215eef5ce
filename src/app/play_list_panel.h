#pragma once

#include <QHash>
#include <QList>
#include <QTreeWidget>
#include <QWidget>
#include <memory>

class QCheckBox;
class QComboBox;
class QPushButton;
class QLabel;

namespace yumekaze::app {

class TForm1;
class TTrackScanner;
class TUserPrompts;
struct TTrackFacts;

// The play list's rows; a row dragged to another place reports where it went.
class TPlayListView : public QTreeWidget {
  Q_OBJECT

 public:
  explicit TPlayListView(QWidget* parent);

 signals:
  void RowMoved(int from, int to);
  void DeletePressed();

 protected:
  void dropEvent(QDropEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

// The visible play list: title, artist and length of every entry with the current one marked
// (read on a thread of their own, each row filled in as its file has been read);
// double-click plays, Delete removes, dragging reorders, Clear empties; repeat and shuffle;
// files and folders dropped on it join the list, and the list can be saved as M3U8.
class TPlayListPanel : public QWidget {
  Q_OBJECT

 public:
  TPlayListPanel(TForm1& form1, TUserPrompts& prompts);
  ~TPlayListPanel() override;

  // Rebuilds the rows from the play list.
  void Refresh();

  TPlayListView* List;
  QPushButton* ClearButton;
  QPushButton* SaveButton;
  QComboBox* RepeatChoice;  // in TRepeatMode's order
  QCheckBox* ShuffleBox;
  QLabel* Keys;

 private:
  void SaveAs();
  // Shows a row's facts; the current entry is marked.
  static void ShowFacts(QTreeWidgetItem& item, const TTrackFacts& facts, bool current);
  void ShowScanned(const QString& path);

  TForm1& form1_;
  TUserPrompts& prompts_;
  std::unique_ptr<TTrackScanner> scanner_;
  QHash<QString, QList<QTreeWidgetItem*>> rows_;  // the rows of each file, as Refresh made them
  QTreeWidgetItem* current_ = nullptr;
};

}  // namespace yumekaze::app
