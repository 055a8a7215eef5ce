#pragma once

#include <QList>
#include <QTreeView>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QPushButton;
class QLabel;

namespace yumekaze::app {

class TForm1;
class TUserPrompts;

// The play list's rows. A row dragged to another place reports where it went; Delete reports the
// selected rows and Enter the row to play; typing a title's first letters finds it.
class TPlayListView : public QTreeView {
  Q_OBJECT

 public:
  explicit TPlayListView(QWidget* parent);
  // The selected rows, in list order.
  QList<int> SelectedRows() const;

 signals:
  void RowMoved(int from, int to);
  void DeletePressed();
  void EnterPressed(int row);

 protected:
  void dropEvent(QDropEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

// The visible play list: title, artist and length of every entry with the one playing marked;
// double-click or Enter plays, Delete removes the selected rows, dragging reorders, Add appends
// files, Clear empties; repeat and shuffle; files and folders dropped on it join the list, and
// the list can be saved as M3U8.
class TPlayListPanel : public QWidget {
  Q_OBJECT

 public:
  TPlayListPanel(TForm1& form1, TUserPrompts& prompts);

  TPlayListView* List;
  QPushButton* AddButton;
  QPushButton* ClearButton;
  QPushButton* SaveButton;
  QComboBox* RepeatChoice;  // in TMPRepeatMode's order
  QCheckBox* ShuffleBox;
  QLabel* Keys;

 private:
  void SaveAs();
  // Shows repeat and shuffle as the list has them.
  void ShowModes();

  TForm1& form1_;
  TUserPrompts& prompts_;
};

}  // namespace yumekaze::app
