#include "tidewell/transfer/window_message.h"

#include <QCoreApplication>

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
