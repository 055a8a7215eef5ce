#include "app/play_list.h"

#include <stdexcept>

namespace yumekaze::app {

void TPlayList::Assign(const QStringList& files) {
  entries_ = files;
  index_ = 0;
}

const QString& TPlayList::Current() const {
  if (index_ < 0 || index_ >= Count()) {
    throw std::out_of_range("play list index " + std::to_string(index_) + " out of bounds");
  }
  return entries_[index_];
}

void TPlayList::Advance() { index_ = index_ + 1 < Count() ? index_ + 1 : 0; }

void TPlayList::Back() { index_ = index_ > 0 ? index_ - 1 : Count() - 1; }

}  // namespace yumekaze::app
