#include "tidewell/app/progress_window.h"

#include "tidewell/transfer/transfer_session.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>
#include <system_error>

namespace tidewell {
namespace {

constexpr int kTickMs = 100;

}  // namespace

ProgressWindow::ProgressWindow(std::shared_ptr<ProgressFields> fields, QWidget* parent)
    : QDialog(parent),
      fields_(std::move(fields)),
      status_(new QLabel(this)),
      address_(new QLabel(this)),
      percent_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this)),
      timer_(new QTimer(this)) {
  setObjectName(QStringLiteral("138"));
  setWindowTitle(QString());
  status_->setObjectName(QStringLiteral("1074"));
  address_->setObjectName(QStringLiteral("1041"));
  percent_->setObjectName(QStringLiteral("1062"));
  bar_->setObjectName(QStringLiteral("1042"));
  cancel_->setObjectName(QStringLiteral("2"));
  address_->setTextFormat(Qt::PlainText);
  address_->setMinimumWidth(300);
  percent_->setAlignment(Qt::AlignHCenter);
  bar_->setRange(0, 100);
  bar_->setTextVisible(false);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(status_);
  layout->addWidget(address_);
  layout->addWidget(percent_);
  layout->addWidget(bar_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cancel_);
  buttons->addStretch();
  layout->addLayout(buttons);
  resize(360, 135);

  connect(cancel_, &QPushButton::clicked, this, &ProgressWindow::reject);
  connect(timer_, &QTimer::timeout, this, &ProgressWindow::Tick);
  timer_->setInterval(kTickMs);

  ShowBar(fields_->showBar.load());
  CopyTexts();
}

ProgressWindow::~ProgressWindow() = default;

void ProgressWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (fields_->notShownYet()) {
    fields_->MarkShown();
    timer_->start();
  }
}

void ProgressWindow::Tick() {
  ProgressFields& f = *fields_;
  bool sizeKnown = true;
  if (f.watchFile.load()) {
    std::error_code error;
    const auto size = std::filesystem::file_size(f.watchedPath(), error);
    if (error) {
      sizeKnown = false;
    } else {
      f.done.store(size);
    }
  }
  const uint64_t total = f.total.load();
  const ProgressDisplay display = FormatProgress(f.done.load(), sizeKnown ? total : 0);
  f.SetPercentText(display.text);
  bar_->setValue(display.percent);
  ShowBar(f.showBar.load());
  CopyTexts();
  setFocus();
}

void ProgressWindow::reject() {
  timer_->stop();
  QDialog::reject();
}

void ProgressWindow::ShowBar(bool show) {
  percent_->setVisible(show);
  bar_->setVisible(show);
}

void ProgressWindow::CopyTexts() {
  percent_->setText(QString::fromStdString(fields_->percentText()));
  address_->setText(QString::fromStdString(fields_->addressText()));
  status_->setText(QString::fromStdString(fields_->statusText()));
}

namespace {

QObject* OpenProgressWindow(const std::shared_ptr<ProgressFields>& fields, QObject* parent,
                            std::function<void()> closed) {
  QObject* holder = parent;
  while (holder != nullptr && !holder->isWidgetType()) holder = holder->parent();
  auto* parentWidget = static_cast<QWidget*>(holder);
  auto* window = new ProgressWindow(fields, parentWidget);
  QObject::connect(window, &QDialog::finished, window, [window, closed = std::move(closed)] {
    closed();
    window->deleteLater();
  });
  window->setModal(parentWidget != nullptr);
  window->show();
  return window;
}

}  // namespace

void ShowTransferProgressInWindows() { SetProgressWindowOpener(OpenProgressWindow); }

}  // namespace tidewell
