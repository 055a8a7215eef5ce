#include "app/playlist/play_list_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/dialogs/user_prompts.h"
#include "app/playlist/current_entry_pane.h"
#include "app/playlist/play_list_files.h"
#include "app/playlist/play_list_model.h"
#include "app/window/app_font.h"
#include "app/window/drop_target.h"
#include "app/window/form1.h"
#include "app/window/key_commands.h"

namespace yumekaze::app {

TPlayListView::TPlayListView(QWidget* parent) : QTreeView(parent) {
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setDragDropMode(QAbstractItemView::InternalMove);
  setDefaultDropAction(Qt::MoveAction);
}

QList<int> TPlayListView::SelectedRows() const {
  QList<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows << index.row();
  std::sort(rows.begin(), rows.end());
  return rows;
}

void TPlayListView::dropEvent(QDropEvent* event) {
  if (event->source() != this) return QTreeView::dropEvent(event);
  // The list moves the row itself; the view only says where it goes.
  event->setDropAction(Qt::IgnoreAction);
  event->accept();
  const int from = currentIndex().row();
  const QPoint at = event->position().toPoint();
  const QModelIndex target = indexAt(at);
  int before = model()->rowCount();  // the row the dragged one lands before
  if (target.isValid()) {
    before = target.row() + (at.y() > visualRect(target).center().y() ? 1 : 0);
  }
  const int to = before > from ? before - 1 : before;
  if (from >= 0 && from != to) emit RowMoved(from, to);
}

void TPlayListView::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Delete:
      emit DeletePressed();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (currentIndex().isValid()) emit EnterPressed(currentIndex().row());
      return;
    default:
      QTreeView::keyPressEvent(event);
  }
}

TPlayListPanel::TPlayListPanel(TForm1& form1, TUserPrompts& prompts)
    : QWidget(nullptr, Qt::Window), form1_(form1), prompts_(prompts) {
  setWindowTitle(tr("Play List"));
  setFont(GothicFont(12));
  resize(440, 520);

  List = new TPlayListView(this);
  List->setModel(&form1_.PlayList());
  List->header()->setSectionResizeMode(TPlayListModel::kTitle, QHeaderView::Stretch);
  List->header()->setStretchLastSection(false);
  AddButton = new QPushButton(tr("Add..."), this);
  ClearButton = new QPushButton(tr("Clear"), this);
  SaveButton = new QPushButton(tr("Save..."), this);
  RepeatChoice = new QComboBox(this);
  RepeatChoice->addItems({tr("No repeat"), tr("Repeat all"), tr("Repeat one")});
  ShuffleBox = new QCheckBox(tr("Shuffle"), this);
  Keys = new QLabel(PlayListKeysHelp(), this);
  Keys->setWordWrap(true);
  List->setAccessibleName(windowTitle());
  List->setAccessibleDescription(PlayListKeysHelp());
  AddButton->setAccessibleDescription(tr("Adds files to the list"));
  ClearButton->setAccessibleDescription(tr("Empties the list"));
  SaveButton->setAccessibleDescription(tr("Saves the list as an M3U8 file"));
  RepeatChoice->setAccessibleName(tr("Repeat"));
  RepeatChoice->setAccessibleDescription(
      tr("Whether the list or the track starts again at its end"));
  ShuffleBox->setAccessibleDescription(tr("Plays the list in random order"));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(RepeatChoice);
  buttons->addWidget(ShuffleBox);
  buttons->addStretch();
  buttons->addWidget(AddButton);
  buttons->addWidget(SaveButton);
  buttons->addWidget(ClearButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new TCurrentEntryPane(form1_, this));
  layout->addWidget(List);
  layout->addLayout(buttons);
  layout->addWidget(Keys);

  connect(List, &QTreeView::doubleClicked, this,
          [this](const QModelIndex& index) { form1_.PlayEntry(index.row()); });
  connect(List, &TPlayListView::EnterPressed, this, [this](int row) { form1_.PlayEntry(row); });
  connect(List, &TPlayListView::DeletePressed, this,
          [this] { form1_.RemoveEntries(List->SelectedRows()); });
  connect(List, &TPlayListView::RowMoved, this,
          [this](int from, int to) { form1_.MoveEntry(from, to); });
  connect(AddButton, &QPushButton::clicked, this, [this] { form1_.AddFilesClick(); });
  connect(ClearButton, &QPushButton::clicked, this, [this] { form1_.ClearPlayList(); });
  connect(SaveButton, &QPushButton::clicked, this, &TPlayListPanel::SaveAs);
  connect(RepeatChoice, &QComboBox::activated, this,
          [this](int index) { form1_.SetRepeat(static_cast<engine::TMPRepeatMode>(index)); });
  connect(ShuffleBox, &QCheckBox::toggled, this, [this](bool on) { form1_.SetShuffle(on); });
  connect(&form1_, &TForm1::PlayerChanged, this, &TPlayListPanel::ShowModes);
  connect(new TDropTarget(*List->viewport()), &TDropTarget::Dropped, this,
          [this](const QStringList& paths) { form1_.AddToPlayList(paths, false); });
  InstallKeyCommands(form1_, *this);
  ShowModes();
}

void TPlayListPanel::ShowModes() {
  const engine::TMPPlayQueue& queue = form1_.PlayList().Queue();
  RepeatChoice->setCurrentIndex(static_cast<int>(queue.Repeat()));
  const QSignalBlocker quiet(ShuffleBox);
  ShuffleBox->setChecked(queue.Shuffle());
}

void TPlayListPanel::SaveAs() {
  QString path = prompts_.ChooseSaveFile(this, form1_.InitialFolder());
  if (path.isEmpty()) return;
  if (!path.endsWith(QStringLiteral(".m3u8"), Qt::CaseInsensitive)) path += QStringLiteral(".m3u8");
  if (!WriteM3u8(path, form1_.PlayList().Paths(), form1_.PlayList().Names())) {
    prompts_.Warning(this, tr("Cannot save to %1").arg(path), tr("Warning"));
  }
}

}  // namespace yumekaze::app
