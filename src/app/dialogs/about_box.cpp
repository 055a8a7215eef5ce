#include "app/dialogs/about_box.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "app/dialogs/ht_label.h"
#include "app/window/app_font.h"
#include "app/window/pictures.h"
#include "app/window/screen_centre.h"

namespace yumekaze::app {

namespace {

QLabel* PlaceLabel(QWidget* parent, const QString& text, int left, int top) {
  auto* label = new QLabel(text, parent);
  label->move(left, top);
  label->adjustSize();
  return label;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) { Build(nullptr, nullptr); }

TAboutBox::TAboutBox(const TLinkColours& colours, TLinkOpener& opener, QWidget* parent)
    : QDialog(parent) {
  Build(&colours, &opener);
}

void TAboutBox::Build(const TLinkColours* colours, TLinkOpener* opener) {
  setWindowTitle(tr("About"));
  // Dialog border without the close box: OK is the way out.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(298, 209);
  setFont(GothicFont(12));
  setWindowIcon(ProgramIcon());

  Panel1 = new QFrame(this);
  Panel1->setGeometry(8, 8, 281, 169);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setLineWidth(1);
  Panel1->setMidLineWidth(1);

  Image1 = new QLabel(Panel1);
  Image1->setGeometry(24, 24, 32, 32);
  Image1->setAlignment(Qt::AlignCenter);
  Image1->setPixmap(ProgramIcon().pixmap(32, 32));
  Image1->setScaledContents(true);

  ProductName = PlaceLabel(Panel1, QStringLiteral("Yumekaze"), 80, 16);
  ProductName->setFont(GothicFont(16));
  ProductName->adjustSize();
  Version = PlaceLabel(Panel1, QStringLiteral("Version 1.1"), 80, 40);
  Label3 = PlaceLabel(Panel1, QStringLiteral("2026/12/07  Yumekaze team"), 80, 64);

  Bevel1 = new QFrame(Panel1);
  Bevel1->setGeometry(8, 80, 265, 2);
  Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);

  RightsLabel = PlaceLabel(Panel1, QStringLiteral("Copyright (C) 2026 Yumekaze team"), 64, 96);
  Label1 = PlaceLabel(Panel1, QStringLiteral("All rights reserved."), 88, 112);
  Label2 = PlaceLabel(Panel1, QStringLiteral("Made with C++20 and Qt 6"), 64, 128);

  HTLabel1 = colours ? new THTLabel(*colours, *opener, Panel1) : new THTLabel(Panel1);
  HTLabel1->setGeometry(24, 144, 225, 12);
  QFont linkFont = GothicFont(12);
  linkFont.setUnderline(true);
  HTLabel1->setFont(linkFont);
  HTLabel1->setText(QStringLiteral("http://yumekaze.example.org/"));

  OKButton = new QPushButton(tr("OK"), this);
  OKButton->setGeometry(111, 180, 75, 25);
  OKButton->setDefault(true);
  OKButton->setAccessibleDescription(tr("Closes this box"));
  HTLabel1->setAccessibleDescription(tr("Opens the home page"));
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  // OK first, so that Enter closes the box as before; Tab goes on to the link.
  setTabOrder(OKButton, HTLabel1);
  OKButton->setFocus();
}

void TAboutBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnScreen(*this);
}

}  // namespace yumekaze::app
