// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/shell_open.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QUrl>

namespace kt58::controls {

namespace {

// These are free functions: their texts need a translation context of
// their own.
struct ShellTexts {
  Q_DECLARE_TR_FUNCTIONS(ShellOpen)
};

}  // namespace

QString ShellErrorText(int result) {
  switch (result) {
    case kShellOutOfMemory:
      return ShellTexts::tr("Error: Out of Memory");
    case kShellFileNotFound:
      return ShellTexts::tr("Error: File not found");
    case kShellPathNotFound:
      return ShellTexts::tr("Error: Directory not found");
    case kShellBadFormat:
      return ShellTexts::tr("Error: Wrong EXE format");
    default:
      return ShellTexts::tr("Unknown API Error Nr: %1 in ShellExecute").arg(result);
  }
}

int ShellOpenResult(const QString& target) {
  if (target.trimmed().isEmpty()) return kShellFileNotFound;
  const QUrl url = QUrl::fromUserInput(target, QString(), QUrl::AssumeLocalFile);
  if (!url.isValid()) return kShellFileNotFound;
  if (url.isLocalFile()) {
    const QFileInfo info(url.toLocalFile());
    if (!info.dir().exists()) return kShellPathNotFound;
    if (!info.exists()) return kShellFileNotFound;
  }
  // The desktop gives no reason for a refusal; by far the usual one is that
  // no program is registered for the target.
  return QDesktopServices::openUrl(url) ? kShellOk : kShellNoAssociation;
}

void ShellOpen(QWidget* parent, const QString& target) {
  const int result = ShellOpenResult(target);
  if (result > 32) return;
  QPointer<QMessageBox> box =
      new QMessageBox(QMessageBox::NoIcon, ShellTexts::tr("Error"), ShellErrorText(result), QMessageBox::Ok, parent);
  box->setTextFormat(Qt::PlainText);
  box->exec();
  delete box.data();  // already gone when the owner was deleted meanwhile
}

}  // namespace kt58::controls
