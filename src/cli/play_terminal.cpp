#include "cli/play_terminal.h"

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <iterator>

namespace yumekaze::cli {

namespace {

constexpr int kQuitSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGABRT};

// Written only while no handler that reads them is installed.
int g_quit_pipe = -1;
struct sigaction g_quit_before[std::size(kQuitSignals)];
termios g_found_mode;
struct sigaction g_crash_before[std::size(kCrashSignals)];

void OnQuitSignal(int signal) {
  const auto byte = static_cast<unsigned char>(signal);
  [[maybe_unused]] const auto written = write(g_quit_pipe, &byte, 1);
}

// Only async-signal-safe calls: the mode goes back, then the signal is raised again with its
// default action (SA_RESETHAND), which ends the process as the crash would have.
void OnCrashSignal(int signal) {
  tcsetattr(STDIN_FILENO, TCSANOW, &g_found_mode);
  raise(signal);
}

template <size_t N>
void Install(const int (&signals)[N], void (*handler)(int), int flags,
             struct sigaction (&before)[N]) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_flags = flags;
  sigemptyset(&action.sa_mask);
  for (size_t i = 0; i < N; ++i) sigaction(signals[i], &action, &before[i]);
}

template <size_t N>
void Restore(const int (&signals)[N], const struct sigaction (&before)[N]) {
  for (size_t i = 0; i < N; ++i) sigaction(signals[i], &before[i], nullptr);
}

}  // namespace

QuitSignals::QuitSignals() {
  if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) return;
  g_quit_pipe = fds_[1];
  Install(kQuitSignals, OnQuitSignal, SA_RESTART, g_quit_before);
}

QuitSignals::~QuitSignals() {
  if (fds_[0] < 0) return;
  Restore(kQuitSignals, g_quit_before);
  g_quit_pipe = -1;
  close(fds_[0]);
  close(fds_[1]);
}

int QuitSignals::Caught() {
  unsigned char byte = 0;
  while (caught_ == 0 && fds_[0] >= 0 && read(fds_[0], &byte, 1) == 1) caught_ = byte;
  return caught_;
}

RawKeys::RawKeys() {
  if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &g_found_mode) != 0) return;
  Install(kCrashSignals, OnCrashSignal, SA_RESETHAND | SA_NODEFER, g_crash_before);
  termios raw = g_found_mode;
  // ISIG stays as found, so that Ctrl-C still interrupts.
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  active_ = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
  if (!active_) Restore(kCrashSignals, g_crash_before);
}

RawKeys::~RawKeys() {
  if (!active_) return;
  tcsetattr(STDIN_FILENO, TCSANOW, &g_found_mode);
  Restore(kCrashSignals, g_crash_before);
}

}  // namespace yumekaze::cli
