// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/picture_sequence_dialog.h"

#include <QCompleter>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <exception>

#include "gui/dialogs/export_form_parts.h"
#include "gui/dialogs/export_part_box.h"
#include "gui/dialogs/project_dialogs.h"
#include "gui/dialogs/save_dialog.h"
#include "gui/document/document.h"
#include "gui/widgets/user_feedback.h"
#include "export/bitmap_sequence.h"
#include "model/project.h"
#include "platform/program_folder.h"

using kt58::app::FromPath;
using kt58::app::ToPath;

PictureSequenceDialog::PictureSequenceDialog(Document& document, QWidget* parent)
    : QDialog(parent), document_(document), save_folder_(kt58::ProgramFolder()) {
  setObjectName(QStringLiteral("BitmapSeqForm"));
  setWindowTitle(tr("Bitmap Sequencer"));
  setMinimumSize(310, 250);
  auto* outer = new QVBoxLayout(this);
  settingsGroup_ = new QGroupBox(this);
  settingsGroup_->setObjectName(QStringLiteral("gb1"));
  outer->addWidget(settingsGroup_);
  auto* grid = new QGridLayout(settingsGroup_);

  startAtLabel_ = kt58::app::BoldLabel(tr("Start at"), settingsGroup_);
  startAtLabel_->setObjectName(QStringLiteral("Label1"));
  startAtSpin_ = new QSpinBox(settingsGroup_);
  startAtSpin_->setObjectName(QStringLiteral("spStartAt"));
  startAtSpin_->setRange(0, 100000);
  fileNamesLabel_ = kt58::app::BoldLabel(tr("FileNames"), settingsGroup_);
  fileNamesLabel_->setObjectName(QStringLiteral("Label2"));
  fileNameEdit_ = new QLineEdit(QStringLiteral("###"), settingsGroup_);
  fileNameEdit_->setObjectName(QStringLiteral("FNameEdit"));
  grid->addWidget(startAtLabel_, 0, 0);
  grid->addWidget(startAtSpin_, 0, 1);
  grid->addWidget(fileNamesLabel_, 1, 0);
  grid->addWidget(fileNameEdit_, 1, 1);

  fileList_ = new QTreeWidget(settingsGroup_);
  fileList_->setObjectName(QStringLiteral("lvFiles"));
  fileList_->setRootIsDecorated(false);
  fileList_->setUniformRowHeights(true);
  fileList_->setHeaderLabels({tr("FileName"), tr("Status")});
  fileList_->header()->setStretchLastSection(false);
  fileList_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  fileList_->header()->resizeSection(1, 81);
  fileList_->setSelectionMode(QAbstractItemView::NoSelection);
  // Odd rows light blue, even rows white.
  fileList_->setAlternatingRowColors(true);
  QPalette rows = fileList_->palette();
  rows.setColor(QPalette::Base, Qt::white);
  rows.setColor(QPalette::AlternateBase, QColor(215, 235, 255));
  fileList_->setPalette(rows);
  grid->addWidget(fileList_, 2, 0, 1, 2);

  noNumberLabel_ = new QLabel(
      tr("The name has no \"#\": every frame goes to the same file and only the last one remains."), settingsGroup_);
  noNumberLabel_->setObjectName(QStringLiteral("NoNumberLabel"));
  noNumberLabel_->setWordWrap(true);
  grid->addWidget(noNumberLabel_, 3, 0, 1, 2);

  const kt58::FrameSize frame = document_.project().GetFrameSize();
  partBox_ = new ExportPartBox(document_.project().FrameCount, frame.Width, frame.Height, false, settingsGroup_);
  grid->addWidget(partBox_, 4, 0, 1, 2);

  auto* folder_row = new QHBoxLayout;
  folderEdit_ = new QLineEdit(settingsGroup_);
  folderEdit_->setObjectName(QStringLiteral("deSave"));
  // Typed (folder names completed from the disk) or chosen in its dialog.
  auto* folders = new QFileSystemModel(folderEdit_);
  folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
  folders->setRootPath(QString());
  folderEdit_->setCompleter(new QCompleter(folders, folderEdit_));
  browseFolderButton_ = new QToolButton(settingsGroup_);
  browseFolderButton_->setObjectName(QStringLiteral("deSaveBrowse"));
  browseFolderButton_->setText(tr("..."));
  folder_row->addWidget(folderEdit_, 1);
  folder_row->addWidget(browseFolderButton_);
  grid->addLayout(folder_row, 5, 0, 1, 2);

  createButton_ = new QPushButton(tr("Create Files"), settingsGroup_);
  createButton_->setObjectName(QStringLiteral("CreateButton"));
  createButton_->setAutoDefault(false);
  grid->addWidget(createButton_, 6, 0, 1, 2, Qt::AlignRight);
  grid->setRowStretch(2, 1);
  grid->setColumnStretch(1, 1);

  // A value typed below the range is clamped by the spin box itself.
  connect(startAtSpin_, &QSpinBox::valueChanged, this, [this] { fillList(); });
  connect(fileNameEdit_, &QLineEdit::textChanged, this, [this] { fillList(); });
  connect(partBox_, &ExportPartBox::changed, this, [this] { fillList(); });
  connect(createButton_, &QPushButton::clicked, this, &PictureSequenceDialog::createSequence);
  connect(browseFolderButton_, &QToolButton::clicked, this, &PictureSequenceDialog::browseFolder);
  connect(folderEdit_, &QLineEdit::textChanged, this,
          [this](const QString& text) { save_folder_ = ToPath(QDir::fromNativeSeparators(text.trimmed())); });

  setSaveFolder(save_folder_);
  fillList();
  kt58::app::FitAndCentre(this);
}

void PictureSequenceDialog::setSaveFolder(const std::filesystem::path& folder) {
  save_folder_ = folder;
  folderEdit_->setText(FromPath(folder));
}

void PictureSequenceDialog::browseFolder() {
  const QString chosen = QFileDialog::getExistingDirectory(this, QString(), FromPath(save_folder_));
  if (!chosen.isEmpty()) setSaveFolder(ToPath(chosen));
}

void PictureSequenceDialog::fillList() {
  const QSignalBlocker start_blocker(startAtSpin_), name_blocker(fileNameEdit_), create_blocker(createButton_);
  const BusyCursor busy;
  const std::string pattern = fileNameEdit_->text().toStdString();
  noNumberLabel_->setVisible(!pattern.empty() && !kt58::PatternHasNumber(pattern));
  fileList_->setUpdatesEnabled(false);
  fileList_->clear();
  QList<QTreeWidgetItem*> items;
  for (const std::string& name :
       kt58::SequenceFileNames(pattern, startAtSpin_->value(), partBox_->chosenCount()))
    items << new QTreeWidgetItem({QString::fromStdString(name),
                                  QString::fromLatin1(kt58::SequenceStatusText(kt58::SequenceStatus::Waiting))});
  fileList_->addTopLevelItems(items);
  fileList_->setUpdatesEnabled(true);
}

void PictureSequenceDialog::createSequence() {
  std::error_code ec;
  if (!std::filesystem::is_directory(save_folder_, ec)) {
    showMessage(tr("There is no folder %1: nothing was written.").arg(FromPath(save_folder_)).toStdString());
    return;
  }
  const BusyCursor busy;
  kt58::SequenceFiles files;
  files.frames = partBox_->range();
  files.size = partBox_->size();
  try {
    const kt58::SequenceResult result = kt58::ExportBitmapSequence(
        document_.project(), document_.sequence(), save_folder_, fileNameEdit_->text().toStdString(), startAtSpin_->value(),
        [this](int index, const std::string&, kt58::SequenceStatus status) {
          QTreeWidgetItem* item = fileList_->topLevelItem(index);
          if (!item) return;
          item->setText(1, QString::fromLatin1(kt58::SequenceStatusText(status)));
          fileList_->scrollToItem(item);
          fileList_->repaint();
        },
        files);
    // The rows say which frames failed; this says why, and that the folder
    // kept its files.
    if (const std::string failure = kt58::SequenceFailureText(result); !failure.empty()) showMessage(failure);
  } catch (const std::exception& e) {
    showMessage(e.what());
  }
}
