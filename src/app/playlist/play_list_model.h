#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

#include "app/playlist/play_list_files.h"
#include "engine/queue/play_queue.h"

namespace yumekaze::app {

class TTrackScanner;

// The play queue as the windows show it: one row per entry with its title, artist and length
// (read on a thread of their own; a row changes when its file has been read), the entry playing
// marked. Every edit goes through here, so that views change only the rows that changed.
class TPlayListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  enum TColumn { kTitle, kArtist, kLength, kColumns };

  TPlayListModel();
  ~TPlayListModel() override;

  const engine::TMPPlayQueue& Queue() const { return queue_; }
  int Count() const { return queue_.Count(); }
  // An entry's path for the user's eyes and Qt's file functions.
  QString Path(int index) const;
  QStringList Paths() const;

  // Names of stations from the lists they came in, shown until a station's own title arrives.
  void AddNames(const TStationNames& names) { names_.insert(names); }
  const TStationNames& Names() const { return names_; }
  // A station's name from its list; empty when it has none.
  QString StationName(const QString& url) const { return names_.value(url); }

  void Assign(const QStringList& files);
  void Append(const QStringList& files);
  // Removes the rows given (any order, duplicates allowed).
  void Remove(QList<int> rows);
  void Move(int from, int to);
  void Clear();

  void SetCurrent(int index);
  bool Next();
  bool Previous();
  engine::TMPAfterEnd AdvanceAfterEnd();
  void Rewind();
  void SetRepeat(engine::TMPRepeatMode mode) { queue_.SetRepeat(mode); }
  void SetShuffle(bool on) { queue_.SetShuffle(on); }
  void SetSinglePass(bool on) { queue_.SetSinglePass(on); }
  void SetStopAfterCurrent(bool on) { queue_.SetStopAfterCurrent(on); }

  // Shows every row read again (the tags' character set changed).
  void Rescan();
  // Marks the current entry as the one playing (loaded true) or marks none.
  void MarkCurrent(bool loaded);
  int MarkedRow() const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }

 private:
  void RowChanged(int row);
  void ShowScanned(const QString& path);

  engine::TMPPlayQueue queue_;
  std::unique_ptr<TTrackScanner> scanner_;
  uint64_t marked_ = 0;  // id of the entry marked as playing; 0: none
  bool loaded_ = false;
  TStationNames names_;
};

}  // namespace yumekaze::app
