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
#include "gui/dialogs/export_part_box.h"
#include "gui/dialogs/project_dialogs.h"
#include "gui/dialogs/save_dialog.h"
#include "gui/document/document.h"
#include "gui/document/window_progress.h"
#include "gui/widgets/user_feedback.h"
#include "export/gif_export.h"
#include "model/project.h"
#include "platform/program_folder.h"

namespace fs = std::filesystem;

namespace {

struct FormatEntry {
  kt58::VideoFormat format;
  const char* suffix;
  const char* filter;
};
constexpr FormatEntry kFormats[] = {
    {kt58::VideoFormat::WebP, "webp", QT_TRANSLATE_NOOP("VideoExportDialog", "Animated WebP (*.webp)")},
    {kt58::VideoFormat::Apng, "apng", QT_TRANSLATE_NOOP("VideoExportDialog", "Animated PNG (*.apng *.png)")},
    {kt58::VideoFormat::Mp4, "mp4", QT_TRANSLATE_NOOP("VideoExportDialog", "MP4 video (*.mp4)")},
    {kt58::VideoFormat::WebM, "webm", QT_TRANSLATE_NOOP("VideoExportDialog", "WebM video (*.webm)")},
};

}  // namespace

VideoExportDialog::VideoExportDialog(Document& document, QWidget* parent)
    : QDialog(parent), document_(document), save_folder_(kt58::ProgramFolder()) {
  setObjectName(QStringLiteral("VideoExportForm"));
  setWindowTitle(tr("Save as Video or Web Animation"));
  auto* outer = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  formatCombo_ = new QComboBox(this);
  formatCombo_->setObjectName(QStringLiteral("cbFormat"));
  for (const FormatEntry& e : kFormats)
    formatCombo_->addItem(
        tr("%1 (.%2)").arg(QString::fromLatin1(kt58::VideoFormatName(e.format)), QString::fromLatin1(e.suffix)));
  formatLabel_ = new QLabel(tr("Format"), this);
  formatLabel_->setObjectName(QStringLiteral("FormatLabel"));
  form->addRow(formatLabel_, formatCombo_);
  qualitySpin_ = new QSpinBox(this);
  qualitySpin_->setObjectName(QStringLiteral("spQuality"));
  qualitySpin_->setRange(0, 100);
  qualitySpin_->setValue(kt58::kDefaultVideoQuality);
  qualityLabel_ = new QLabel(tr("Quality (0 - 100)"), this);
  qualityLabel_->setObjectName(QStringLiteral("QualityLabel"));
  form->addRow(qualityLabel_, qualitySpin_);
  losslessCheck_ = new QCheckBox(tr("Lossless"), this);
  losslessCheck_->setObjectName(QStringLiteral("cbLossless"));
  form->addRow(QString(), losslessCheck_);
  transparentCheck_ = new QCheckBox(tr("Transparent background"), this);
  transparentCheck_->setObjectName(QStringLiteral("cbTransparent"));
  form->addRow(QString(), transparentCheck_);
  outer->addLayout(form);
  const kt58::FrameSize frame = document_.project().GetFrameSize();
  partBox_ = new ExportPartBox(document_.sequence().Count(), frame.Width, frame.Height, true, this);
  outer->addWidget(partBox_);

  buildButton_ = new QPushButton(tr("Build"), this);
  buildButton_->setObjectName(QStringLiteral("BuildButton"));
  buildButton_->setAutoDefault(false);
  fileSizeLabel_ = new QLabel(this);
  fileSizeLabel_->setObjectName(QStringLiteral("FileSizeLabel"));
  fileSizeLabel_->setVisible(false);
  outer->addWidget(buildButton_, 0, Qt::AlignLeft);
  outer->addWidget(fileSizeLabel_);
  outer->addStretch(1);

  auto* buttons = new QDialogButtonBox(this);
  saveButton_ = buttons->addButton(tr("Save"), QDialogButtonBox::AcceptRole);
  saveButton_->setObjectName(QStringLiteral("SaveButton"));
  saveButton_->setEnabled(false);
  closeButton_ = buttons->addButton(tr("Close"), QDialogButtonBox::RejectRole);
  closeButton_->setObjectName(QStringLiteral("CloseButton"));
  outer->addWidget(buttons);

  connect(buildButton_, &QPushButton::clicked, this, &VideoExportDialog::build);
  connect(saveButton_, &QPushButton::clicked, this, &VideoExportDialog::saveVideo);
  connect(closeButton_, &QPushButton::clicked, this, &QDialog::reject);
  connect(formatCombo_, &QComboBox::currentIndexChanged, this, &VideoExportDialog::onChoicesChanged);
  connect(qualitySpin_, &QSpinBox::valueChanged, this, &VideoExportDialog::onChoicesChanged);
  connect(losslessCheck_, &QCheckBox::toggled, this, &VideoExportDialog::onChoicesChanged);
  connect(transparentCheck_, &QCheckBox::toggled, this, &VideoExportDialog::onChoicesChanged);
  connect(partBox_, &ExportPartBox::changed, this, &VideoExportDialog::onChoicesChanged);
  onChoicesChanged();
  setMinimumWidth(300);
  kt58::app::FitAndCentre(this);
}

VideoExportDialog::~VideoExportDialog() = default;

kt58::VideoExportOptions VideoExportDialog::Options() const {
  kt58::VideoExportOptions o;
  o.Format = kFormats[std::max(0, formatCombo_->currentIndex())].format;
  o.Quality = qualitySpin_->value();
  o.Lossless = o.Format == kt58::VideoFormat::WebP && losslessCheck_->isChecked();
  o.Frames = partBox_->range();
  o.Size = partBox_->size();
  // MP4 and WebM always play once.
  // MP4 and WebM have no alpha channel.
  if (o.Format == kt58::VideoFormat::WebP || o.Format == kt58::VideoFormat::Apng) {
    o.Plays = partBox_->plays();
    o.Transparent = transparentCheck_->isChecked();
  }
  return o;
}

void VideoExportDialog::onChoicesChanged() {
  const kt58::VideoExportOptions o = Options();
  // Only WebP has a lossless mode; APNG is always exact, so quality means
  // nothing for it.
  losslessCheck_->setEnabled(o.Format == kt58::VideoFormat::WebP);
  qualitySpin_->setEnabled(o.Format != kt58::VideoFormat::Apng && !o.Lossless);
  const bool web_animation = o.Format == kt58::VideoFormat::WebP || o.Format == kt58::VideoFormat::Apng;
  partBox_->playsLabel_->setEnabled(web_animation);
  partBox_->playsSpin_->setEnabled(web_animation);
  transparentCheck_->setEnabled(web_animation);
  built_.reset();
  fileSizeLabel_->setVisible(false);
  saveButton_->setEnabled(false);
}

void VideoExportDialog::build() {
  onChoicesChanged();
  buildButton_->setEnabled(false);
  try {
    const BusyCursor busy;
    kt58::DialogProgress progress = WindowProgress();
    built_ = kt58::BuildVideo(document_.project(), document_.sequence(), Options(), progress);
  } catch (const std::exception& e) {
    showMessage(e.what());
  }
  buildButton_->setEnabled(true);
  if (!built_) return;
  fileSizeLabel_->setText(QString::fromStdString(kt58::GifFileSizeText(built_->FileSize())));
  fileSizeLabel_->setVisible(true);
  saveButton_->setEnabled(true);
}

void VideoExportDialog::saveVideo() {
  if (!built_) return;
  const FormatEntry& e = kFormats[std::max(0, formatCombo_->currentIndex())];
  const QString suffix = QString::fromLatin1(e.suffix);
  const fs::path project = kt58::app::ToPath(document_.FileName());
  const QString name = kt58::app::FromPath(project.filename().replace_extension()) + QLatin1Char('.') + suffix;
  const fs::path path = kt58::app::AskSaveFileName(this, QString(), save_folder_, suffix,
                                                   {tr(e.filter)}, name);
  if (path.empty()) return;
  save_folder_ = path.parent_path();
  try {
    built_->SaveAs(path);
  } catch (const std::exception& ex) {
    showMessage(ex.what());
  }
}
