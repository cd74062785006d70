#include "tidewell/transfer/window_message.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace tidewell {

QEvent::Type WindowMessageEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

void PostWindowMessage(QObject* window, unsigned message, uintptr_t wParam, intptr_t lParam) {
  if (window == nullptr) return;
  // The event queue takes the event over.
  QCoreApplication::postEvent(window, new WindowMessageEvent(message, wParam, lParam));
}

WindowRef::WindowRef(QObject* window) : window_(window), given_(window != nullptr) {
  QCoreApplication* app = QCoreApplication::instance();
  onGuiThread_ = window != nullptr && app != nullptr && window->thread() == app->thread();
}

void WindowRef::Post(unsigned message, uintptr_t wParam, intptr_t lParam) const {
  if (!given_) return;
  if (!onGuiThread_) {
    PostWindowMessage(window_.data(), message, wParam, lParam);
    return;
  }
  // Hop to the window's thread first: only there can its being alive be checked safely.
  QPointer<QObject> window = window_;
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [window, message, wParam, lParam] {
        if (window) PostWindowMessage(window.data(), message, wParam, lParam);
      },
      Qt::QueuedConnection);
}

QObject* WindowRef::ObjectOnGuiThread() const { return onGuiThread_ ? window_.data() : nullptr; }

const WindowMessageEvent* AsWindowMessage(const QEvent* event) {
  if (event == nullptr || event->type() != WindowMessageEvent::EventType()) return nullptr;
  return static_cast<const WindowMessageEvent*>(event);
}

bool MessageReceiver::event(QEvent* event) {
  if (const WindowMessageEvent* message = AsWindowMessage(event)) {
    OnWindowMessage(message->message(), message->wParam(), message->lParam());
    return true;
  }
  return QObject::event(event);
}

}  // namespace tidewell
