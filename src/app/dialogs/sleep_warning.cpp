#include "app/dialogs/sleep_warning.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "app/window/app_font.h"

namespace yumekaze::app {

namespace {

const QString kCancelKey = QStringLiteral("cancel");

}  // namespace

TSleepWarning::TSleepWarning(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus) {
  setWindowTitle(tr("Sleep Timer"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFont(GothicFont(12));
  Text = new QLabel(this);
  CancelButton = new QPushButton(tr("Cancel"), this);
  CancelButton->setFocusPolicy(Qt::NoFocus);
  CancelButton->setAccessibleDescription(tr("Cancels the sleep timer"));
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(Text);
  layout->addWidget(CancelButton);
  connect(CancelButton, &QPushButton::clicked, this, &TSleepWarning::Cancel);
  connect(&notifications_, &TDesktopNotifications::ActionInvoked, this, [this](const QString& key) {
    if (key == kCancelKey) Cancel();
  });
}

void TSleepWarning::Cancel() {
  hide();
  emit Cancelled();
}

void TSleepWarning::hideEvent(QHideEvent* event) {
  notifications_.Close();
  QWidget::hideEvent(event);
}

void TSleepWarning::ShowCountdown(int seconds, const QString& what) {
  what_ = what;
  SetSeconds(seconds);
  adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.right() - width() - 16, area.bottom() - height() - 16);
  }
  show();
  notifications_.Show({.summary = windowTitle(),
                       .body = Text->text(),
                       .actions = {{kCancelKey, CancelButton->text()}},
                       .timeoutMs = seconds * 1000});
}

void TSleepWarning::SetSeconds(int seconds) {
  Text->setText(tr("%2 in %1 seconds").arg(seconds).arg(what_));
}

}  // namespace yumekaze::app
