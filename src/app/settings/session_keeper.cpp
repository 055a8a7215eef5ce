#include "app/settings/session_keeper.h"

#include "app/window/form1.h"

namespace yumekaze::app {

namespace {

constexpr int kBurstMs = 250;
constexpr int kPeriodMs = 10000;

}  // namespace

TSessionKeeper::TSessionKeeper(TForm1& form1) : QObject(&form1), form1_(form1) {
  burst_.setSingleShot(true);
  burst_.setInterval(kBurstMs);
  connect(&burst_, &QTimer::timeout, this, &TSessionKeeper::SaveNow);
  periodic_.setInterval(kPeriodMs);
  connect(&periodic_, &QTimer::timeout, this, &TSessionKeeper::SaveNow);
  periodic_.start();
  const auto soon = [this] {
    if (!burst_.isActive()) burst_.start();
  };
  connect(&form1, &TForm1::PlayerChanged, this, soon);
  connect(&form1, &TForm1::Seeked, this, soon);
}

void TSessionKeeper::SaveNow() {
  burst_.stop();
  TSession session = CaptureSession(form1_);
  if (session == stored_) return;
  StoreSession(session);
  stored_ = std::move(session);
}

}  // namespace yumekaze::app
