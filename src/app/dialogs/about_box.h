#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace yumekaze::app {

class THTLabel;
class TLinkOpener;
struct TLinkColours;

// The fixed About dialog: product name, version, credits and the link to the web page.
class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(QWidget* parent = nullptr);
  // With explicit link colours and opener (tests).
  TAboutBox(const TLinkColours& colours, TLinkOpener& opener, QWidget* parent = nullptr);

  QFrame* Panel1;
  QLabel* Image1;
  QLabel* ProductName;
  QLabel* Version;
  QLabel* Label3;
  QFrame* Bevel1;
  QLabel* RightsLabel;
  QLabel* Label1;
  QLabel* Label2;
  THTLabel* HTLabel1;
  QPushButton* OKButton;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Build(const TLinkColours* colours, TLinkOpener* opener);
};

}  // namespace yumekaze::app
