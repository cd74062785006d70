#include "tidewell/transfer/transfer_session.h"

#include <QApplication>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>

#include "tidewell/transfer/progress_window.h"

namespace tidewell {

// The window as seen from the window thread; only that thread touches `window`.
struct ProgressWindowLink {
  QPointer<ProgressWindow> window;
};

TransferSession::TransferSession(std::string agent, int context, ProxyAccess access,
                                 std::string proxy)
    : internet_(std::move(agent), context, access, std::move(proxy)) {}

TransferSession::~TransferSession() { WaitProgressWindowGone(); }

void TransferSession::AttachProgress(const WindowRef& parentWindow) {
  // Windows need a widget application; a program without one gets no window.
  if (parentWindow.empty() || qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
    return;
  parentWindow_ = parentWindow;
  progress_ = std::make_shared<ProgressFields>();
}

void TransferSession::Cancel() {
  cancel_.store(true);
  lock.WakeWaiters();
}

void TransferSession::ShowProgressWindow() {
  if (!progress_ || window_) return;
  window_ = std::make_shared<ProgressWindowLink>();
  auto fields = progress_;
  auto link = window_;
  // The session outlives the window: its destructor waits until the window is gone.
  QMetaObject::invokeMethod(
      qApp,
      [this, fields, link] {
        QWidget* parent = parentWindow_.WidgetOnGuiThread();
        auto* window = new ProgressWindow(fields, parent);  // deletes itself once closed
        link->window = window;
        // Destroyed without closing (with its parent window, say): the job ends as well.
        QObject::connect(window, &QObject::destroyed, [this, fields] {
          Cancel();
          fields->MarkGone();
        });
        QObject::connect(window, &QDialog::finished, window, [this, window] {
          Cancel();
          window->deleteLater();
        });
        window->setModal(parent != nullptr);
        window->show();
      },
      Qt::QueuedConnection);
}

void TransferSession::CloseProgressWindow() {
  if (!window_) return;
  const std::atomic<bool> never{false};
  progress_->WaitUntilShown(never);
  auto link = window_;
  QMetaObject::invokeMethod(
      qApp,
      [link] {
        if (link->window) link->window->reject();
      },
      Qt::QueuedConnection);
}

void TransferSession::WaitProgressWindowGone() {
  if (window_) progress_->WaitUntilGone();
}

}  // namespace tidewell
