// The terminal around `play`: single keys without Enter and without echo while it plays, and the
// signals that end it. However play ends (a key, the end of the list, an error, a signal asking
// it to quit, or one that crashes it), the terminal is left in the mode it was found in.
#pragma once

namespace yumekaze::cli {

// SIGINT, SIGTERM and SIGHUP reach the main loop through a pipe, so that the player stops
// cleanly; the previous handlers come back at destruction.
class QuitSignals {
 public:
  QuitSignals();
  ~QuitSignals();
  QuitSignals(const QuitSignals&) = delete;
  QuitSignals& operator=(const QuitSignals&) = delete;

  // Polls readable once one of the signals came.
  int Fd() const { return fds_[0]; }
  // The first of the signals that came, 0 while none has.
  int Caught();

 private:
  int fds_[2] = {-1, -1};
  int caught_ = 0;
};

// Standard input, when it is a terminal, without line editing and echo: keys arrive one by one.
// Ctrl-C still sends SIGINT. The mode found is restored at destruction and, should the process
// crash (SIGSEGV, SIGBUS, SIGFPE, SIGABRT), before the crash takes its course.
class RawKeys {
 public:
  RawKeys();
  ~RawKeys();
  RawKeys(const RawKeys&) = delete;
  RawKeys& operator=(const RawKeys&) = delete;

  bool Active() const { return active_; }

 private:
  bool active_ = false;
};

}  // namespace yumekaze::cli
