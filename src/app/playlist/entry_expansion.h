#pragma once

#include <QObject>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>

#include "app/playlist/play_list_files.h"

namespace yumekaze::app {

// Turns paths into play list entries (ExpandToEntries) off the calling thread: a folder on a
// slow share or a list on a hung file system must not stop the window. Each expansion runs on a
// thread of its own; the entries come back on this object's thread in the order they were asked
// for, and nothing comes back once this object is gone.
class TEntryExpansion : public QObject {
 public:
  using TDone = std::function<void(const QStringList& entries)>;
  using TNamed = std::function<void(const TStationNames& names)>;

  TEntryExpansion();
  ~TEntryExpansion() override;

  // Expands paths; done gets the entries after every earlier request still pending has had its.
  void Start(const QStringList& paths, TDone done);
  // Forgets the pending requests: their done is never called.
  void Drop();
  // Gets the station names an expansion found, just before its done.
  void SetOnNames(TNamed named) { named_ = std::move(named); }

 private:
  struct TRequest;
  // Hands on the entries of the finished requests at the front.
  void HandOnFinished();

  std::deque<std::unique_ptr<TRequest>> pending_;
  TNamed named_;
};

}  // namespace yumekaze::app
