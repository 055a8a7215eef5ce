#include "app/play_list_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/app_font.h"
#include "app/drop_target.h"
#include "app/form1.h"
#include "app/key_commands.h"
#include "app/play_list_files.h"
#include "app/track_facts.h"
#include "app/user_prompts.h"

namespace yumekaze::app {

TPlayListView::TPlayListView(QWidget* parent) : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setDragDropMode(QAbstractItemView::InternalMove);
  setDefaultDropAction(Qt::MoveAction);
  setHeaderLabels(
      {QStringLiteral("タイトル"), QStringLiteral("アーティスト"), QStringLiteral("時間")});
  header()->setSectionResizeMode(0, QHeaderView::Stretch);
  header()->setStretchLastSection(false);
}

void TPlayListView::dropEvent(QDropEvent* event) {
  if (event->source() != this) return QTreeWidget::dropEvent(event);
  QTreeWidgetItem* moved = currentItem();
  const int from = indexOfTopLevelItem(moved);
  QTreeWidget::dropEvent(event);
  const int to = indexOfTopLevelItem(moved);
  if (from >= 0 && to >= 0 && from != to) emit RowMoved(from, to);
}

void TPlayListView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete) {
    emit DeletePressed();
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

TPlayListPanel::TPlayListPanel(TForm1& form1, TUserPrompts& prompts)
    : QWidget(nullptr, Qt::Window),
      form1_(form1),
      prompts_(prompts),
      scanner_(std::make_unique<TTrackScanner>()) {
  setWindowTitle(QStringLiteral("プレイリスト"));
  setFont(GothicFont(12));
  resize(420, 360);

  List = new TPlayListView(this);
  ClearButton = new QPushButton(QStringLiteral("クリア"), this);
  SaveButton = new QPushButton(QStringLiteral("保存..."), this);
  RepeatChoice = new QComboBox(this);
  RepeatChoice->addItems({QStringLiteral("リピートなし"), QStringLiteral("全曲リピート"),
                          QStringLiteral("1曲リピート")});
  ShuffleBox = new QCheckBox(QStringLiteral("シャッフル"), this);
  Keys = new QLabel(KeyCommandsHelp(), this);
  Keys->setWordWrap(true);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(RepeatChoice);
  buttons->addWidget(ShuffleBox);
  buttons->addStretch();
  buttons->addWidget(SaveButton);
  buttons->addWidget(ClearButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(List);
  layout->addLayout(buttons);
  layout->addWidget(Keys);

  connect(List, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { form1_.PlayEntry(List->indexOfTopLevelItem(item)); });
  connect(List, &TPlayListView::DeletePressed, this, [this] {
    const int row = List->indexOfTopLevelItem(List->currentItem());
    if (row >= 0) form1_.RemoveEntry(row);
  });
  connect(List, &TPlayListView::RowMoved, this,
          [this](int from, int to) { form1_.MoveEntry(from, to); });
  connect(ClearButton, &QPushButton::clicked, this, [this] { form1_.ClearPlayList(); });
  connect(SaveButton, &QPushButton::clicked, this, &TPlayListPanel::SaveAs);
  connect(RepeatChoice, &QComboBox::activated, this,
          [this](int index) { form1_.SetRepeat(static_cast<TRepeatMode>(index)); });
  connect(ShuffleBox, &QCheckBox::toggled, this, [this](bool on) { form1_.SetShuffle(on); });
  connect(&form1_, &TForm1::PlayerChanged, this, &TPlayListPanel::Refresh, Qt::QueuedConnection);
  connect(scanner_.get(), &TTrackScanner::Scanned, this, &TPlayListPanel::ShowScanned);
  connect(new TDropTarget(*List->viewport()), &TDropTarget::Dropped, this,
          [this](const QStringList& paths) { form1_.AddToPlayList(paths, false); });
  InstallKeyCommands(form1_, *this);
  Refresh();
}

TPlayListPanel::~TPlayListPanel() = default;

void TPlayListPanel::Refresh() {
  const TPlayList& playList = form1_.PlayList();
  const QStringList& entries = playList.Entries();
  const bool loaded = !form1_.CurrentFile().isEmpty();
  List->clear();
  rows_.clear();
  current_ = nullptr;
  for (int row = 0; row < entries.size(); ++row) {
    auto* item = new QTreeWidgetItem(List);
    item->setToolTip(0, entries[row]);
    item->setFlags(item->flags() & ~Qt::ItemIsDropEnabled);
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    const bool current = loaded && row == playList.PlayListIndex();
    ShowFacts(*item, scanner_->Facts(entries[row]), current);
    rows_[entries[row]] << item;
    if (current) {
      current_ = item;
      List->setCurrentItem(item);
    }
  }
  RepeatChoice->setCurrentIndex(static_cast<int>(playList.Repeat()));
  const QSignalBlocker quiet(ShuffleBox);
  ShuffleBox->setChecked(playList.Shuffle());
}

void TPlayListPanel::ShowFacts(QTreeWidgetItem& item, const TTrackFacts& facts, bool current) {
  item.setText(0, current ? QStringLiteral("▶ ") + facts.title : facts.title);
  item.setText(1, facts.artist);
  item.setText(2, FormatLength(facts.lengthMs));
  if (!current) return;
  // The current entry: marked and in bold.
  QFont bold = item.font(0);
  bold.setBold(true);
  for (int column = 0; column < 3; ++column) item.setFont(column, bold);
}

void TPlayListPanel::ShowScanned(const QString& path) {
  const TTrackFacts facts = scanner_->Facts(path);
  for (QTreeWidgetItem* item : rows_.value(path)) ShowFacts(*item, facts, item == current_);
}

void TPlayListPanel::SaveAs() {
  QString path = prompts_.ChooseSaveFile(this, form1_.InitialFolder());
  if (path.isEmpty()) return;
  if (!path.endsWith(QStringLiteral(".m3u8"), Qt::CaseInsensitive)) path += QStringLiteral(".m3u8");
  if (!WriteM3u8(path, form1_.PlayList().Entries())) {
    prompts_.Warning(this, QStringLiteral("%1 に保存できません").arg(path), QStringLiteral("警告"));
  }
}

}  // namespace yumekaze::app
