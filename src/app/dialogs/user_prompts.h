#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

namespace yumekaze::app {

// The message boxes and the open dialog the windows show. The program uses the real dialogs;
// tests record what would have been shown and answer for the user.
class TUserPrompts {
 public:
  virtual ~TUserPrompts() = default;
  // A message box with the stop icon and an OK button.
  virtual void Warning(QWidget* parent, const QString& text, const QString& caption) = 0;
  // A message box with the information icon and an OK button.
  virtual void Information(QWidget* parent, const QString& text, const QString& caption) = 0;
  // A message that does not wait for the user; notices shown while one is open join it.
  virtual void Notice(QWidget* parent, const QString& text) = 0;
  // The open dialog for MP3 files, several at once, starting in `folder`. Returns the chosen
  // files' full paths in the dialog's order, or an empty list when the user cancels.
  virtual QStringList ChooseFiles(QWidget* parent, const QString& folder) = 0;
  // A folder to play, starting in `folder`; empty when cancelled.
  virtual QString ChooseFolder(QWidget* parent, const QString& folder) = 0;
  // The save dialog for a play list, starting in `folder`; empty when the user cancels.
  virtual QString ChooseSaveFile(QWidget* parent, const QString& folder) = 0;
  // Shows one of the program's dialogs modally; returns its result.
  virtual int ShowModal(QDialog& dialog) = 0;
  // A line of text the user types, such as a name; empty when cancelled.
  virtual QString AskText(QWidget* parent, const QString& caption, const QString& label) = 0;
};

class TDialogPrompts final : public TUserPrompts {
 public:
  void Warning(QWidget* parent, const QString& text, const QString& caption) override;
  void Information(QWidget* parent, const QString& text, const QString& caption) override;
  void Notice(QWidget* parent, const QString& text) override;
  QStringList ChooseFiles(QWidget* parent, const QString& folder) override;
  QString ChooseFolder(QWidget* parent, const QString& folder) override;
  QString ChooseSaveFile(QWidget* parent, const QString& folder) override;
  int ShowModal(QDialog& dialog) override;
  QString AskText(QWidget* parent, const QString& caption, const QString& label) override;

 private:
  QPointer<QMessageBox> notice_;
};

}  // namespace yumekaze::app
