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

TransferSession::TransferSession(std::string agent, int context, ProxyAccess access, std::string proxy)
    : internet_(std::move(agent), context, access, std::move(proxy)) {}

TransferSession::~TransferSession() { WaitProgressWindowGone(); }

void TransferSession::AttachProgress(QObject* parentWindow) {
    // Windows need a widget application; a program without one gets no window.
    if (parentWindow == nullptr || qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return;
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
    QWidget* parent = qobject_cast<QWidget*>(parentWindow_);
    auto fields = progress_;
    auto link = window_;
    // The session outlives the window: its destructor waits until the window is gone.
    QMetaObject::invokeMethod(
        qApp,
        [this, parent, fields, link] {
            auto* window = new ProgressWindow(fields, parent);  // deletes itself once closed
            link->window = window;
            QObject::connect(window, &QObject::destroyed, [fields] { fields->MarkGone(); });
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
