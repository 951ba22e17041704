// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/about_dialog.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include "gui/widgets/shell_open.h"

QString AboutDialog::webAddress() { return QStringLiteral("https://github.com/kt58/kt58-animator"); }

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("About kt58 Animator"));
  setFixedSize(400, 300);
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(tr("kt58 Animator"), this);
  QFont big = title->font();
  big.setPixelSize(24);
  big.setBold(true);
  title->setFont(big);
  title->setAlignment(Qt::AlignCenter);
  layout->addWidget(title);
  auto* version = new QLabel(tr("Version 1.00"), this);
  version->setAlignment(Qt::AlignCenter);
  layout->addWidget(version);
  auto* credits = new QLabel(
      tr("A composer of layered animations.\n\n"
         "Built with Qt, FFmpeg, giflib, libjpeg-turbo and libpng.\n"
         "Written by the kt58 developers.\n\n"
         "Free software under the GNU General Public License, version 3 or any later version "
         "(GPL-3.0-or-later), with no warranty."),
      this);
  credits->setAlignment(Qt::AlignCenter);
  credits->setWordWrap(true);
  layout->addWidget(credits, 1);
  linkLabel_ = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(webAddress()), this);
  linkLabel_->setObjectName(QStringLiteral("LinkLabel"));
  linkLabel_->setAlignment(Qt::AlignCenter);
  linkLabel_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  linkLabel_->setOpenExternalLinks(false);
  connect(linkLabel_, &QLabel::linkActivated, this, [this](const QString& link) { kt58::controls::ShellOpen(this, link); });
  layout->addWidget(linkLabel_);
  Buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  Buttons->setObjectName(QStringLiteral("Buttons"));
  connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(Buttons);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - QPoint(width() / 2, height() / 2));
}
