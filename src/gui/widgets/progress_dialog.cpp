// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/progress_dialog.h"

#include <QGuiApplication>
#include <algorithm>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr int kClientWidth = 366;
constexpr int kClientHeight = 47;

QString FromBytes(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

class ProgressDialogHandle final : public kt58::ProgressDialog {
 public:
  ProgressDialogHandle() : form_(new ::ProgressDialog) {}
  ~ProgressDialogHandle() override { Release(); }

  void SetCaption(const std::string& caption) override {
    if (form_) form_->SetCaption(caption);
  }
  void SetText(const std::string& text) override {
    if (form_) form_->SetText(text);
  }
  void SetRange(int minimum, int maximum) override {
    if (form_) form_->SetRange(minimum, maximum);
  }
  void SetPosition(int position) override {
    if (form_) form_->SetPosition(position);
  }
  void ShowCancel(std::function<void()> on_cancel) override {
    if (form_) form_->ShowCancel(std::move(on_cancel));
  }
  void Show() override {
    if (form_) form_->Show();
  }
  void Repaint() override {
    if (form_) form_->Repaint();
  }
  void Release() override {
    if (form_) form_->Release();
    form_ = nullptr;
  }

 private:
  QPointer<::ProgressDialog> form_;
};

}  // namespace

ProgressDialog::ProgressDialog()
    : QWidget(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      progress_label_(new QLabel(tr("Progress"), this)),
      progress1_(new QProgressBar(this)),
      cancel_button_(new QPushButton(tr("Cancel"), this)) {
  setObjectName(QStringLiteral("ProgressDialogForm"));
  progress_label_->setObjectName(QStringLiteral("ProgressLabel"));
  progress1_->setObjectName(QStringLiteral("Progress1"));
  cancel_button_->setObjectName(QStringLiteral("CancelButton"));
  setWindowTitle(tr("Constructing Frame Images"));
  setWindowModality(Qt::NonModal);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(13);
  setFont(font);
  progress_label_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  progress1_->setRange(0, 100);
  progress1_->setValue(0);
  progress1_->setTextVisible(false);
  cancel_button_->hide();
  connect(cancel_button_, &QPushButton::clicked, this, [this] {
    // The handler may release this window; keep a copy so the callable
    // outlives the call whatever happens to the dialog.
    std::function<void()> handler = on_cancel_;
    if (handler) handler();
  });
  setFixedSize(kClientWidth, kClientHeight);
  layoutChildren();
}

void ProgressDialog::layoutChildren() {
  progress_label_->setGeometry(0, 0, width(), progress_label_->sizeHint().height());
  progress1_->setGeometry(6, 28, width() - (kClientWidth - 353), 13);
  cancel_button_->setGeometry(300, 3, 59, 21);
}

void ProgressDialog::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layoutChildren();
}

void ProgressDialog::SetCaption(const std::string& caption) { setWindowTitle(FromBytes(caption)); }

void ProgressDialog::SetText(const std::string& text) { progress_label_->setText(FromBytes(text)); }

void ProgressDialog::SetRange(int minimum, int maximum) {
  // A reversed range would make QProgressBar drop the minimum; an operation
  // over no items shows an empty bar instead.
  progress1_->setRange(minimum, std::max(minimum, maximum));
}

void ProgressDialog::SetPosition(int position) {
  // QProgressBar ignores a value outside its range; the bar stops at its ends.
  progress1_->setValue(std::clamp(position, progress1_->minimum(), progress1_->maximum()));
}

void ProgressDialog::ShowCancel(std::function<void()> on_cancel) {
  on_cancel_ = std::move(on_cancel);
  cancel_button_->show();
}

void ProgressDialog::Show() {
  if (released_) return;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  show();
  raise();
}

void ProgressDialog::Repaint() {
  if (isVisible()) repaint();
}

void ProgressDialog::Release() {
  if (released_) return;
  released_ = true;
  hide();
  deleteLater();
}

std::unique_ptr<kt58::ProgressDialog> CreateProgressDialogHandle() {
  return std::make_unique<ProgressDialogHandle>();
}
