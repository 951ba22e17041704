// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/startup_dialog.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "gui/dialogs/project_dialogs.h"
#include "engine/ui_services.h"
#include "platform/text_helpers.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRowHeight = 16;
constexpr int kTextIndent = 5;
// The shortened path leaves this much of the row free.
constexpr int kRowMargin = 10;

// Each row shows its path shortened to the row's width, with the leading
// folders replaced by ".../".
class RecentPathDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->fillRect(option.rect, option.palette.color(selected ? QPalette::Highlight : QPalette::Base));
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(option.font);
    const QFontMetrics metrics(option.font);
    const std::string shortened =
        kt58::ShortenPath(index.data().toString().toStdString(), option.rect.width() - kRowMargin,
                          [&metrics](const std::string& s) { return metrics.horizontalAdvance(QString::fromStdString(s)); });
    painter->drawText(option.rect.adjusted(kTextIndent, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      QString::fromStdString(shortened));
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
    return {option.rect.width(), kRowHeight};
  }
};

}  // namespace

StartupDialog::StartupDialog(const kt58::app::RecentList& recent, QWidget* parent)
    : QDialog(parent), recent_(recent) {
  setWindowTitle(QStringLiteral("Dovrenkal kt58 Animator"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  rbCreate = new QRadioButton(QStringLiteral("Create a new animation project."), this);
  rbOpen = new QRadioButton(QStringLiteral("Open an existing animation project"), this);
  rbCreate->setChecked(true);

  lbFiles = new QListWidget(this);
  lbFiles->setItemDelegate(new RecentPathDelegate(lbFiles));
  lbFiles->setUniformItemSizes(true);
  lbFiles->setSelectionMode(QAbstractItemView::SingleSelection);
  lbFiles->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  lbFiles->setFixedSize(420, 10 * kRowHeight + 2 * lbFiles->frameWidth());
  for (const fs::path& path : recent_) {
    auto* item = new QListWidgetItem(QString::fromStdString(path.string()), lbFiles);
    item->setToolTip(item->text());
  }

  OkButton = new QPushButton(QStringLiteral("Ok"), this);
  OkButton->setDefault(true);
  BrowseButton = new QPushButton(QStringLiteral("Browse..."), this);
  cbKeepOn = new QCheckBox(QStringLiteral("Do not show this dialog on start up."), this);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(cbKeepOn);
  buttons->addStretch();
  buttons->addWidget(BrowseButton);
  buttons->addWidget(OkButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(rbCreate);
  layout->addWidget(rbOpen);
  layout->addWidget(lbFiles);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(OkButton, &QPushButton::clicked, this, &StartupDialog::OkButtonClick);
  connect(BrowseButton, &QPushButton::clicked, this, &StartupDialog::BrowseButtonClick);
  connect(lbFiles, &QListWidget::itemDoubleClicked, this, &StartupDialog::lbFilesDblClick);
}

void StartupDialog::showEvent(QShowEvent* e) {
  if (!shown_once_) {
    shown_once_ = true;
    FormShow();
  }
  QDialog::showEvent(e);
}

void StartupDialog::FormShow() {
  rbOpen->setChecked(lbFiles->count() > 0);
  if (rbOpen->isChecked()) lbFiles->setCurrentRow(0);
  if (const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(s->availableGeometry().center());
    move(frame.topLeft());
  }
}

int StartupDialog::SelectedRow() const {
  const QList<QListWidgetItem*> selected = lbFiles->selectedItems();
  return selected.isEmpty() ? -1 : lbFiles->row(selected.first());
}

void StartupDialog::OkButtonClick() {
  if (!rbOpen->isChecked() || SelectedRow() >= 0) {
    accept();
    return;
  }
  kt58::Ui().ShowMessage("Please select a file to open or\rclick the Browse button to locate a file.");
}

void StartupDialog::lbFilesDblClick() {
  if (SelectedRow() >= 0) accept();
}

void StartupDialog::BrowseButtonClick() {
  const fs::path chosen = kt58::app::ChooseProjectToOpen(this, kt58::app::DefaultProjectFolder());
  if (chosen.empty()) return;
  ChosenFile = chosen;
  accept();
}

fs::path StartupDialog::ProjectToOpen() const {
  if (!rbOpen->isChecked()) return {};
  if (!ChosenFile.empty()) return ChosenFile;
  const int row = SelectedRow();
  return row >= 0 && row < static_cast<int>(recent_.size()) ? recent_[static_cast<size_t>(row)] : fs::path();
}

fs::path RunStartUpMruForm(const kt58::app::RecentList& recent, bool& start_dialog_on) {
  StartupDialog form(recent);
  if (form.exec() != QDialog::Accepted) return {};
  start_dialog_on = !form.cbKeepOn->isChecked();
  return form.ProjectToOpen();
}
