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
#include "gui/widgets/user_feedback.h"
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
  setWindowTitle(tr("kt58 Animator"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  createRadio_ = new QRadioButton(tr("Create a new animation project."), this);
  createRadio_->setObjectName(QStringLiteral("rbCreate"));
  openRadio_ = new QRadioButton(tr("Open an existing animation project"), this);
  openRadio_->setObjectName(QStringLiteral("rbOpen"));
  createRadio_->setChecked(true);

  recentList_ = new QListWidget(this);
  recentList_->setObjectName(QStringLiteral("lbFiles"));
  recentList_->setItemDelegate(new RecentPathDelegate(recentList_));
  recentList_->setUniformItemSizes(true);
  recentList_->setSelectionMode(QAbstractItemView::SingleSelection);
  recentList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  recentList_->setFixedSize(420, 10 * kRowHeight + 2 * recentList_->frameWidth());
  for (const fs::path& path : recent_) {
    auto* item = new QListWidgetItem(QString::fromStdString(path.string()), recentList_);
    item->setToolTip(item->text());
  }

  okButton_ = new QPushButton(tr("Ok"), this);
  okButton_->setObjectName(QStringLiteral("OkButton"));
  okButton_->setDefault(true);
  browseButton_ = new QPushButton(tr("Browse..."), this);
  browseButton_->setObjectName(QStringLiteral("BrowseButton"));
  keepOnCheck_ = new QCheckBox(tr("Do not show this dialog on start up."), this);
  keepOnCheck_->setObjectName(QStringLiteral("cbKeepOn"));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(keepOnCheck_);
  buttons->addStretch();
  buttons->addWidget(browseButton_);
  buttons->addWidget(okButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(createRadio_);
  layout->addWidget(openRadio_);
  layout->addWidget(recentList_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(okButton_, &QPushButton::clicked, this, &StartupDialog::onOk);
  connect(browseButton_, &QPushButton::clicked, this, &StartupDialog::browse);
  connect(recentList_, &QListWidget::itemDoubleClicked, this, &StartupDialog::onRecentDoubleClicked);
}

void StartupDialog::showEvent(QShowEvent* e) {
  if (!shown_once_) {
    shown_once_ = true;
    onFirstShow();
  }
  QDialog::showEvent(e);
}

void StartupDialog::onFirstShow() {
  openRadio_->setChecked(recentList_->count() > 0);
  if (openRadio_->isChecked()) recentList_->setCurrentRow(0);
  if (const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(s->availableGeometry().center());
    move(frame.topLeft());
  }
}

int StartupDialog::selectedRow() const {
  const QList<QListWidgetItem*> selected = recentList_->selectedItems();
  return selected.isEmpty() ? -1 : recentList_->row(selected.first());
}

void StartupDialog::onOk() {
  if (!openRadio_->isChecked() || selectedRow() >= 0) {
    accept();
    return;
  }
  showMessage(tr("Please select a file to open or\rclick the Browse button to locate a file.").toStdString());
}

void StartupDialog::onRecentDoubleClicked() {
  if (selectedRow() >= 0) accept();
}

void StartupDialog::browse() {
  const fs::path chosen = kt58::app::ChooseProjectToOpen(this, kt58::app::DefaultProjectFolder());
  if (chosen.empty()) return;
  chosenFile_ = chosen;
  accept();
}

fs::path StartupDialog::ProjectToOpen() const {
  if (!openRadio_->isChecked()) return {};
  if (!chosenFile_.empty()) return chosenFile_;
  const int row = selectedRow();
  return row >= 0 && row < static_cast<int>(recent_.size()) ? recent_[static_cast<size_t>(row)] : fs::path();
}

fs::path runStartupDialog(const kt58::app::RecentList& recent, bool& start_dialog_on) {
  StartupDialog form(recent);
  if (form.exec() != QDialog::Accepted) return {};
  start_dialog_on = !form.keepOnCheck_->isChecked();
  return form.ProjectToOpen();
}
