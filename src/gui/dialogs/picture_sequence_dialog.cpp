// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/picture_sequence_dialog.h"

#include <QFileDialog>
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
#include "gui/dialogs/project_dialogs.h"
#include "gui/dialogs/save_dialog.h"
#include "gui/document/document.h"
#include "engine/ui_services.h"
#include "export/bitmap_sequence.h"
#include "model/animation.h"
#include "platform/program_folder.h"

using kt58::app::FromPath;
using kt58::app::ToPath;

PictureSequenceDialog::PictureSequenceDialog(Document& document, QWidget* parent)
    : QDialog(parent), document_(document), save_folder_(kt58::ProgramFolder()) {
  setObjectName(QStringLiteral("BitmapSeqForm"));
  setWindowTitle(QStringLiteral("Bitmap Sequencer"));
  setMinimumSize(310, 250);
  auto* outer = new QVBoxLayout(this);
  gb1 = new QGroupBox(this);
  gb1->setObjectName(QStringLiteral("gb1"));
  outer->addWidget(gb1);
  auto* grid = new QGridLayout(gb1);

  Label1 = kt58::app::BoldLabel(QStringLiteral("Start at"), gb1);
  spStartAt = new QSpinBox(gb1);
  spStartAt->setObjectName(QStringLiteral("spStartAt"));
  spStartAt->setRange(0, 100000);
  Label2 = kt58::app::BoldLabel(QStringLiteral("FileNames"), gb1);
  FNameEdit = new QLineEdit(QStringLiteral("###"), gb1);
  FNameEdit->setObjectName(QStringLiteral("FNameEdit"));
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(spStartAt, 0, 1);
  grid->addWidget(Label2, 1, 0);
  grid->addWidget(FNameEdit, 1, 1);

  lvFiles = new QTreeWidget(gb1);
  lvFiles->setObjectName(QStringLiteral("lvFiles"));
  lvFiles->setRootIsDecorated(false);
  lvFiles->setUniformRowHeights(true);
  lvFiles->setHeaderLabels({QStringLiteral("FileName"), QStringLiteral("Status")});
  lvFiles->header()->setStretchLastSection(false);
  lvFiles->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  lvFiles->header()->resizeSection(1, 81);
  lvFiles->setSelectionMode(QAbstractItemView::NoSelection);
  // Odd rows light blue, even rows white.
  lvFiles->setAlternatingRowColors(true);
  QPalette rows = lvFiles->palette();
  rows.setColor(QPalette::Base, Qt::white);
  rows.setColor(QPalette::AlternateBase, QColor(215, 235, 255));
  lvFiles->setPalette(rows);
  grid->addWidget(lvFiles, 2, 0, 1, 2);

  NoNumberLabel = new QLabel(
      QStringLiteral("The name has no \"#\": every frame goes to the same file and only the last one remains."), gb1);
  NoNumberLabel->setObjectName(QStringLiteral("NoNumberLabel"));
  NoNumberLabel->setWordWrap(true);
  grid->addWidget(NoNumberLabel, 3, 0, 1, 2);

  auto* folder_row = new QHBoxLayout;
  deSave = new QLineEdit(gb1);
  deSave->setObjectName(QStringLiteral("deSave"));
  // The folder is chosen in its dialog, never typed.
  deSave->setReadOnly(true);
  deSaveBrowse = new QToolButton(gb1);
  deSaveBrowse->setObjectName(QStringLiteral("deSaveBrowse"));
  deSaveBrowse->setText(QStringLiteral("..."));
  folder_row->addWidget(deSave, 1);
  folder_row->addWidget(deSaveBrowse);
  grid->addLayout(folder_row, 4, 0, 1, 2);

  CreateButton = new QPushButton(QStringLiteral("Create Files"), gb1);
  CreateButton->setObjectName(QStringLiteral("CreateButton"));
  CreateButton->setAutoDefault(false);
  grid->addWidget(CreateButton, 5, 0, 1, 2, Qt::AlignRight);
  grid->setRowStretch(2, 1);
  grid->setColumnStretch(1, 1);

  // A value typed below the range is clamped by the spin box itself.
  connect(spStartAt, &QSpinBox::valueChanged, this, [this] { FillList(); });
  connect(FNameEdit, &QLineEdit::textChanged, this, [this] { FillList(); });
  connect(CreateButton, &QPushButton::clicked, this, &PictureSequenceDialog::CreateButtonClick);
  connect(deSaveBrowse, &QToolButton::clicked, this, &PictureSequenceDialog::BrowseFolder);

  SetSaveFolder(save_folder_);
  FillList();
  kt58::app::FitAndCentre(this);
}

void PictureSequenceDialog::SetSaveFolder(const std::filesystem::path& folder) {
  save_folder_ = folder;
  deSave->setText(FromPath(folder));
}

void PictureSequenceDialog::BrowseFolder() {
  const QString chosen = QFileDialog::getExistingDirectory(this, QString(), FromPath(save_folder_));
  if (!chosen.isEmpty()) SetSaveFolder(ToPath(chosen));
}

void PictureSequenceDialog::FillList() {
  const QSignalBlocker start_blocker(spStartAt), name_blocker(FNameEdit), create_blocker(CreateButton);
  const kt58::BusyCursor busy;
  const std::string pattern = FNameEdit->text().toStdString();
  NoNumberLabel->setVisible(!pattern.empty() && !kt58::PatternHasNumber(pattern));
  lvFiles->setUpdatesEnabled(false);
  lvFiles->clear();
  QList<QTreeWidgetItem*> items;
  for (const std::string& name :
       kt58::SequenceFileNames(pattern, spStartAt->value(), document_.Animation().FrameCount))
    items << new QTreeWidgetItem({QString::fromStdString(name),
                                  QString::fromLatin1(kt58::SequenceStatusText(kt58::SequenceStatus::Waiting))});
  lvFiles->addTopLevelItems(items);
  lvFiles->setUpdatesEnabled(true);
}

void PictureSequenceDialog::CreateButtonClick() {
  const kt58::BusyCursor busy;
  try {
    kt58::ExportBitmapSequence(
        document_.Animation(), save_folder_, FNameEdit->text().toStdString(), spStartAt->value(),
        [this](int index, const std::string&, kt58::SequenceStatus status) {
          QTreeWidgetItem* item = lvFiles->topLevelItem(index);
          if (!item) return;
          item->setText(1, QString::fromLatin1(kt58::SequenceStatusText(status)));
          lvFiles->scrollToItem(item);
          lvFiles->repaint();
        });
  } catch (const std::exception& e) {
    kt58::Ui().ShowMessage(e.what());
  }
}
