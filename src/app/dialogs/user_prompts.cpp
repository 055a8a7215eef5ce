#include "app/dialogs/user_prompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace yumekaze::app {

void TDialogPrompts::Warning(QWidget* parent, const QString& text, const QString& caption) {
  QMessageBox::critical(parent, caption, text, QMessageBox::Ok);
}

void TDialogPrompts::Information(QWidget* parent, const QString& text, const QString& caption) {
  QMessageBox::information(parent, caption, text, QMessageBox::Ok);
}

void TDialogPrompts::Notice(QWidget* parent, const QString& text) {
  if (notice_) {
    notice_->setText(notice_->text() + u'\n' + text);
    return;
  }
  notice_ = new QMessageBox(QMessageBox::Information, QStringLiteral("Yumekaze"), text,
                            QMessageBox::Ok, parent);
  notice_->setWindowModality(Qt::NonModal);
  notice_->setAttribute(Qt::WA_DeleteOnClose);
  // Below the window rather than over its controls, which stay in use; placed before it shows,
  // so that it never flashes up over them.
  if (parent) notice_->move(parent->frameGeometry().bottomLeft() + QPoint(0, 8));
  notice_->show();
}

QStringList TDialogPrompts::ChooseFiles(QWidget* parent, const QString& folder) {
  QFileDialog dialog(parent, QString(), folder,
                     QStringLiteral("MP3 (*.mp3 *.m3u *.m3u8 *.pls);;MP3 (*.mp3)"));
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

QString TDialogPrompts::ChooseFolder(QWidget* parent, const QString& folder) {
  return QFileDialog::getExistingDirectory(parent, QString(), folder);
}

QString TDialogPrompts::ChooseSaveFile(QWidget* parent, const QString& folder) {
  return QFileDialog::getSaveFileName(parent, QString(), folder, QStringLiteral("M3U8 (*.m3u8)"));
}

int TDialogPrompts::ShowModal(QDialog& dialog) { return dialog.exec(); }

QString TDialogPrompts::AskText(QWidget* parent, const QString& caption, const QString& label) {
  return QInputDialog::getText(parent, caption, label);
}

}  // namespace yumekaze::app
