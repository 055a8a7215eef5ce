#include "app/playlist/play_list_model.h"

#include <QFont>
#include <algorithm>

#include "app/playlist/file_names.h"
#include "app/playlist/track_facts.h"
#include "app/window/app_font.h"

namespace yumekaze::app {

namespace {

std::vector<std::string> Encoded(const QStringList& files) {
  std::vector<std::string> paths;
  paths.reserve(static_cast<size_t>(files.size()));
  for (const QString& file : files) paths.push_back(NameToBytes(file).toStdString());
  return paths;
}

}  // namespace

TPlayListModel::TPlayListModel() : scanner_(std::make_unique<TTrackScanner>()) {
  connect(scanner_.get(), &TTrackScanner::Scanned, this, &TPlayListModel::ShowScanned);
}

TPlayListModel::~TPlayListModel() = default;

QString TPlayListModel::Path(int index) const { return NameFromBytes(queue_.PathAt(index)); }

QStringList TPlayListModel::Paths() const {
  QStringList paths;
  for (int i = 0; i < Count(); ++i) paths << Path(i);
  return paths;
}

void TPlayListModel::Assign(const QStringList& files) {
  beginResetModel();
  queue_.Assign(Encoded(files));
  endResetModel();
  MarkCurrent(false);
}

void TPlayListModel::Append(const QStringList& files) {
  if (files.isEmpty()) return;
  beginInsertRows({}, Count(), Count() + static_cast<int>(files.size()) - 1);
  queue_.Append(Encoded(files));
  endInsertRows();
}

void TPlayListModel::Remove(QList<int> rows) {
  std::sort(rows.begin(), rows.end(), std::greater<>());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  for (int row : rows) {
    if (row < 0 || row >= Count()) continue;
    beginRemoveRows({}, row, row);
    queue_.Remove(row);
    endRemoveRows();
  }
}

void TPlayListModel::Move(int from, int to) {
  if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return;
  // Qt names the row the moved one goes before, counted before the move.
  beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
  queue_.Move(from, to);
  endMoveRows();
}

void TPlayListModel::Clear() {
  if (Count() == 0) return queue_.Clear();
  beginRemoveRows({}, 0, Count() - 1);
  queue_.Clear();
  endRemoveRows();
}

void TPlayListModel::SetCurrent(int index) {
  queue_.SetCurrent(index);
  MarkCurrent(loaded_);
}

bool TPlayListModel::Next() {
  const bool moved = queue_.Next();
  MarkCurrent(loaded_);
  return moved;
}

bool TPlayListModel::Previous() {
  const bool moved = queue_.Previous();
  MarkCurrent(loaded_);
  return moved;
}

engine::TMPAfterEnd TPlayListModel::AdvanceAfterEnd() {
  const engine::TMPAfterEnd step = queue_.AdvanceAfterEnd();
  MarkCurrent(loaded_);
  return step;
}

void TPlayListModel::Rewind() {
  queue_.Rewind();
  MarkCurrent(loaded_);
}

void TPlayListModel::Rescan() {
  scanner_->Forget();
  if (Count() > 0) emit dataChanged(index(0, 0), index(Count() - 1, kColumns - 1));
}

int TPlayListModel::MarkedRow() const { return marked_ == 0 ? -1 : queue_.IndexOf(marked_); }

void TPlayListModel::MarkCurrent(bool loaded) {
  loaded_ = loaded;
  const int current = queue_.CurrentIndex();
  const uint64_t marked =
      loaded && current >= 0 ? queue_.Entries()[static_cast<size_t>(current)].id : 0;
  if (marked == marked_) return;
  const int before = MarkedRow();
  marked_ = marked;
  RowChanged(before);
  RowChanged(MarkedRow());
}

void TPlayListModel::RowChanged(int row) {
  if (row < 0) return;
  emit dataChanged(index(row, 0), index(row, kColumns - 1));
}

void TPlayListModel::ShowScanned(const QString& path) {
  const std::string bytes = NameToBytes(path).toStdString();
  for (int row = 0; row < Count(); ++row) {
    if (queue_.PathAt(row) == bytes) RowChanged(row);
  }
}

int TPlayListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Count();
}

int TPlayListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant TPlayListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= Count()) return {};
  const bool marked = queue_.Entries()[static_cast<size_t>(index.row())].id == marked_;
  switch (role) {
    case Qt::DisplayRole: {
      const QString path = Path(index.row());
      // A station is shown by its name (or URL), without a length; nothing of it is read here.
      const TTrackFacts facts = IsStation(path) ? TTrackFacts{names_.value(path, path), {}, {}, -1}
                                                : scanner_->Facts(path);
      switch (index.column()) {
        case kTitle:
          return marked ? QStringLiteral("▶ ") + facts.title : facts.title;
        case kArtist:
          return facts.artist;
        default:
          return FormatLength(facts.lengthMs);
      }
    }
    case Qt::ToolTipRole:
      return ShownName(Path(index.row()));
    case Qt::FontRole: {
      if (!marked) return {};
      QFont bold = GothicFont(12);
      bold.setBold(true);
      return bold;
    }
    case Qt::TextAlignmentRole:
      if (index.column() == kLength) return int{Qt::AlignRight | Qt::AlignVCenter};
      return {};
    default:
      return {};
  }
}

QVariant TPlayListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kTitle:
      return tr("Title");
    case kArtist:
      return tr("Artist");
    case kLength:
      return tr("Length");
    default:
      return {};
  }
}

Qt::ItemFlags TPlayListModel::flags(const QModelIndex& index) const {
  const Qt::ItemFlags flags = QAbstractListModel::flags(index);
  // Rows are dragged to reorder; a drop lands between rows, never on one.
  if (!index.isValid()) return flags | Qt::ItemIsDropEnabled;
  return (flags | Qt::ItemIsDragEnabled) & ~Qt::ItemIsDropEnabled;
}

}  // namespace yumekaze::app
