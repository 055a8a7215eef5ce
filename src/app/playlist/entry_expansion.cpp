#include "app/playlist/entry_expansion.h"

#include <QFutureWatcher>
#include <QPromise>
#include <thread>

#include "app/playlist/play_list_files.h"

namespace yumekaze::app {

struct TEntryExpansion::TRequest {
  QFutureWatcher<QStringList>* watcher;
  TDone done;
};

TEntryExpansion::TEntryExpansion() = default;

TEntryExpansion::~TEntryExpansion() = default;

void TEntryExpansion::Start(const QStringList& paths, TDone done) {
  QPromise<QStringList> promise;
  promise.start();
  auto* watcher = new QFutureWatcher<QStringList>(this);
  connect(watcher, &QFutureWatcherBase::finished, this, &TEntryExpansion::HandOnFinished);
  watcher->setFuture(promise.future());
  pending_.push_back(std::make_unique<TRequest>(TRequest{watcher, std::move(done)}));
  // Detached rather than pooled: a listing that never returns must not hold up the program's
  // end, which waits for the threads of a pool.
  std::thread([promise = std::move(promise), paths]() mutable {
    promise.addResult(ExpandToEntries(paths));
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
    const QStringList entries = request->watcher->result();
    request->watcher->disconnect(this);
    request->watcher->deleteLater();
    request->done(entries);
  }
}

}  // namespace yumekaze::app
