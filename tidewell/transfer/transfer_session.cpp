#include "tidewell/transfer/transfer_session.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

namespace tidewell {
namespace {

std::atomic<ProgressWindowOpener> windowOpener{nullptr};

}  // namespace

void SetProgressWindowOpener(ProgressWindowOpener opener) { windowOpener.store(opener); }

// The window as seen from the window thread; only that thread touches `window`.
struct ProgressWindowLink {
  QPointer<QObject> window;
};

TransferSession::TransferSession(std::string agent, int context, ProxyAccess access,
                                 std::string proxy)
    : internet_(std::move(agent), context, access, std::move(proxy)) {}

TransferSession::~TransferSession() { WaitProgressWindowGone(); }

void TransferSession::AttachProgress(const WindowRef& parentWindow) {
  if (parentWindow.empty() || windowOpener.load() == nullptr ||
      QCoreApplication::instance() == nullptr)
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
  const ProgressWindowOpener open = windowOpener.load();
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [this, fields, link, open] {
        // The window deletes itself once closed.
        QObject* window = open(fields, parentWindow_.ObjectOnGuiThread(), [this] { Cancel(); });
        link->window = window;
        // Destroyed without closing (with its parent window, say): the job ends as well.
        QObject::connect(window, &QObject::destroyed, [this, fields] {
          Cancel();
          fields->MarkGone();
        });
      },
      Qt::QueuedConnection);
}

void TransferSession::CloseProgressWindow() {
  if (!window_) return;
  const std::atomic<bool> never{false};
  progress_->WaitUntilShown(never);
  auto link = window_;
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [link] {
        if (link->window) QMetaObject::invokeMethod(link->window.data(), "reject");
      },
      Qt::QueuedConnection);
}

void TransferSession::WaitProgressWindowGone() {
  if (window_) progress_->WaitUntilGone();
}

}  // namespace tidewell
