#include "app/desktop/quit_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace yumekaze::app {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// [0] read by the notifier, [1] written by the handler.
int pipeEnds[2] = {-1, -1};

void WriteToPipe(int signal) {
  const int saved = errno;
  const char number = static_cast<char>(signal);
  // A full pipe already holds a wake-up; the byte may be dropped.
  [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &number, 1);
  errno = saved;
}

void SetHandler(void (*handler)(int)) {
  struct sigaction action = {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : kSignals) sigaction(signal, &action, nullptr);
}

}  // namespace

TQuitSignals::TQuitSignals(QObject* parent) : QObject(parent) {
  Q_ASSERT(pipeEnds[0] < 0);
  if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TQuitSignals::ReadPipe);
  SetHandler(&WriteToPipe);
}

TQuitSignals::~TQuitSignals() {
  if (!notifier_) return;
  SetHandler(SIG_DFL);
  delete notifier_;
  for (int& end : pipeEnds) {
    ::close(end);
    end = -1;
  }
}

void TQuitSignals::ReadPipe() {
  char numbers[16];
  ssize_t count = 0;
  while ((count = ::read(pipeEnds[0], numbers, sizeof numbers)) > 0) {
    for (ssize_t i = 0; i < count; ++i) emit Received(numbers[i]);
  }
}

}  // namespace yumekaze::app
