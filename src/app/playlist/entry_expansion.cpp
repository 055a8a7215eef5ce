#include "app/playlist/entry_expansion.h"

#include <QFutureWatcher>
#include <QPromise>
#include <thread>

#include "app/playlist/play_list_files.h"

namespace yumekaze::app {

namespace {

struct TExpanded {
  QStringList entries;
  TStationNames names;
};

}  // namespace

struct TEntryExpansion::TRequest {
  QFutureWatcher<TExpanded>* watcher;
  TDone done;
};

TEntryExpansion::TEntryExpansion() = default;

TEntryExpansion::~TEntryExpansion() = default;

void TEntryExpansion::Start(const QStringList& paths, TDone done) {
  QPromise<TExpanded> promise;
  promise.start();
  auto* watcher = new QFutureWatcher<TExpanded>(this);
  connect(watcher, &QFutureWatcherBase::finished, this, &TEntryExpansion::HandOnFinished);
  watcher->setFuture(promise.future());
  pending_.push_back(std::make_unique<TRequest>(TRequest{watcher, std::move(done)}));
  // Detached rather than pooled: a listing that never returns must not hold up the program's
  // end, which waits for the threads of a pool.
  std::thread([promise = std::move(promise), paths]() mutable {
    TExpanded expanded;
    expanded.entries = ExpandToEntries(paths, &expanded.names);
    promise.addResult(std::move(expanded));
    promise.finish();
  }).detach();
}

void TEntryExpansion::Drop() {
  for (const auto& request : pending_) {
    request->watcher->disconnect(this);
    request->watcher->deleteLater();
  }
  pending_.clear();
}

void TEntryExpansion::HandOnFinished() {
  while (!pending_.empty() && pending_.front()->watcher->isFinished()) {
    // Off the queue first: done may start or drop requests.
    const std::unique_ptr<TRequest> request = std::move(pending_.front());
    pending_.pop_front();
    const TExpanded expanded = request->watcher->result();
    request->watcher->disconnect(this);
    request->watcher->deleteLater();
    if (named_ && !expanded.names.isEmpty()) named_(expanded.names);
    request->done(expanded.entries);
  }
}

}  // namespace yumekaze::app
