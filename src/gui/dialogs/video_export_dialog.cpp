// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/video_export_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>
#include <exception>

#include "gui/dialogs/export_form_parts.h"
#include "gui/dialogs/project_dialogs.h"
#include "gui/dialogs/save_dialog.h"
#include "gui/document/document.h"
#include "engine/ui_services.h"
#include "export/gif_export.h"
#include "model/animation.h"
#include "platform/program_folder.h"

namespace fs = std::filesystem;

namespace {

struct FormatEntry {
  kt58::VideoFormat format;
  const char* suffix;
  const char* filter;
};
constexpr FormatEntry kFormats[] = {
    {kt58::VideoFormat::WebP, "webp", "Animated WebP (*.webp)"},
    {kt58::VideoFormat::Apng, "apng", "Animated PNG (*.apng *.png)"},
    {kt58::VideoFormat::Mp4, "mp4", "MP4 video (*.mp4)"},
    {kt58::VideoFormat::WebM, "webm", "WebM video (*.webm)"},
};

}  // namespace

VideoExportDialog::VideoExportDialog(Document& document, QWidget* parent)
    : QDialog(parent), document_(document), save_folder_(kt58::ProgramFolder()) {
  setObjectName(QStringLiteral("VideoExportForm"));
  setWindowTitle(QStringLiteral("Save as Video or Web Animation"));
  auto* outer = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  cbFormat = new QComboBox(this);
  cbFormat->setObjectName(QStringLiteral("cbFormat"));
  for (const FormatEntry& e : kFormats)
    cbFormat->addItem(QStringLiteral("%1 (.%2)").arg(QString::fromLatin1(kt58::VideoFormatName(e.format)),
                                                     QString::fromLatin1(e.suffix)));
  FormatLabel = new QLabel(QStringLiteral("Format"), this);
  form->addRow(FormatLabel, cbFormat);
  spQuality = new QSpinBox(this);
  spQuality->setObjectName(QStringLiteral("spQuality"));
  spQuality->setRange(0, 100);
  spQuality->setValue(kt58::kDefaultVideoQuality);
  QualityLabel = new QLabel(QStringLiteral("Quality (0 - 100)"), this);
  form->addRow(QualityLabel, spQuality);
  cbLossless = new QCheckBox(QStringLiteral("Lossless"), this);
  cbLossless->setObjectName(QStringLiteral("cbLossless"));
  form->addRow(QString(), cbLossless);
  outer->addLayout(form);

  BuildButton = new QPushButton(QStringLiteral("Build"), this);
  BuildButton->setObjectName(QStringLiteral("BuildButton"));
  BuildButton->setAutoDefault(false);
  FileSizeLabel = new QLabel(this);
  FileSizeLabel->setObjectName(QStringLiteral("FileSizeLabel"));
  FileSizeLabel->setVisible(false);
  outer->addWidget(BuildButton, 0, Qt::AlignLeft);
  outer->addWidget(FileSizeLabel);
  outer->addStretch(1);

  auto* buttons = new QDialogButtonBox(this);
  SaveButton = buttons->addButton(QStringLiteral("Save"), QDialogButtonBox::AcceptRole);
  SaveButton->setObjectName(QStringLiteral("SaveButton"));
  SaveButton->setEnabled(false);
  CloseButton = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole);
  CloseButton->setObjectName(QStringLiteral("CloseButton"));
  outer->addWidget(buttons);

  connect(BuildButton, &QPushButton::clicked, this, &VideoExportDialog::BuildClick);
  connect(SaveButton, &QPushButton::clicked, this, &VideoExportDialog::SaveClick);
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(cbFormat, &QComboBox::currentIndexChanged, this, &VideoExportDialog::ChoicesChanged);
  connect(spQuality, &QSpinBox::valueChanged, this, &VideoExportDialog::ChoicesChanged);
  connect(cbLossless, &QCheckBox::toggled, this, &VideoExportDialog::ChoicesChanged);
  ChoicesChanged();
  setMinimumWidth(300);
  kt58::app::FitAndCentre(this);
}

VideoExportDialog::~VideoExportDialog() = default;

kt58::VideoExportOptions VideoExportDialog::Options() const {
  kt58::VideoExportOptions o;
  o.Format = kFormats[std::max(0, cbFormat->currentIndex())].format;
  o.Quality = spQuality->value();
  o.Lossless = o.Format == kt58::VideoFormat::WebP && cbLossless->isChecked();
  return o;
}

void VideoExportDialog::ChoicesChanged() {
  const kt58::VideoExportOptions o = Options();
  // Only WebP has a lossless mode; APNG is always exact, so quality means
  // nothing for it.
  cbLossless->setEnabled(o.Format == kt58::VideoFormat::WebP);
  spQuality->setEnabled(o.Format != kt58::VideoFormat::Apng && !o.Lossless);
  built_.reset();
  FileSizeLabel->setVisible(false);
  SaveButton->setEnabled(false);
}

void VideoExportDialog::BuildClick() {
  ChoicesChanged();
  BuildButton->setEnabled(false);
  try {
    built_ = kt58::BuildVideo(document_.Animation(), Options());
  } catch (const std::exception& e) {
    kt58::Ui().ShowMessage(e.what());
  }
  BuildButton->setEnabled(true);
  if (!built_) return;
  FileSizeLabel->setText(QString::fromStdString(kt58::GifFileSizeText(built_->FileSize())));
  FileSizeLabel->setVisible(true);
  SaveButton->setEnabled(true);
}

void VideoExportDialog::SaveClick() {
  if (!built_) return;
  const FormatEntry& e = kFormats[std::max(0, cbFormat->currentIndex())];
  const QString suffix = QString::fromLatin1(e.suffix);
  const fs::path project = document_.Animation().FileName;
  const QString name = kt58::app::FromPath(project.filename().replace_extension()) + QLatin1Char('.') + suffix;
  const fs::path path = kt58::app::AskSaveFileName(this, QString(), save_folder_, suffix,
                                                   {QString::fromLatin1(e.filter)}, name);
  if (path.empty()) return;
  save_folder_ = path.parent_path();
  try {
    built_->SaveAs(path);
  } catch (const std::exception& ex) {
    kt58::Ui().ShowMessage(ex.what());
  }
}
