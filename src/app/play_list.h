#pragma once

#include <QString>
#include <QStringList>

namespace yumekaze::app {

// The files chosen in one run of the open dialog, and the position of the entry loaded last
// (PlayListIndex). Moving past either end wraps around.
class TPlayList {
 public:
  // A new selection starts at its first entry.
  void Assign(const QStringList& files);
  // Empties the list; the index stays where it was.
  void Clear() { entries_.clear(); }

  int Count() const { return static_cast<int>(entries_.size()); }
  int PlayListIndex() const { return index_; }
  // The entry at PlayListIndex; throws std::out_of_range when there is none.
  const QString& Current() const;

  // Next entry, or the first after the last.
  void Advance();
  // Previous entry, or the last before the first (-1 on an empty list, which Current rejects).
  void Back();

 private:
  QStringList entries_;
  int index_ = 0;
};

}  // namespace yumekaze::app
