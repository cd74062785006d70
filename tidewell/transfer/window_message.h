#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <cstdint>

namespace tidewell {

// Message numbers keep the values of the desktop system they come from.
constexpr unsigned WM_USER = 0x0400;
constexpr unsigned WM_LIST_FETCHED = WM_USER + 1;
constexpr unsigned WM_FILES_FETCHED = WM_USER + 2;
constexpr unsigned WM_RUN_FINISHED = WM_USER + 3;

// A posted window message: delivered later, on the receiver's own thread.
class WindowMessageEvent : public QEvent {
 public:
  WindowMessageEvent(unsigned message, uintptr_t wParam, intptr_t lParam)
      : QEvent(EventType()), message_(message), wParam_(wParam), lParam_(lParam) {}

  static QEvent::Type EventType();

  unsigned message() const { return message_; }
  uintptr_t wParam() const { return wParam_; }
  intptr_t lParam() const { return lParam_; }

 private:
  unsigned message_;
  uintptr_t wParam_;
  intptr_t lParam_;
};

// Posts a message to `window` from any thread and returns at once. The window must
// live until the message has been delivered (or be destroyed on its own thread, which
// drops it). Nothing happens when window is null.
void PostWindowMessage(QObject* window, unsigned message, uintptr_t wParam, intptr_t lParam);

// A caller's window that a job posts to later, from its own threads. Made on the
// window's thread. When the window lives on the application's thread, a window closed
// and destroyed meanwhile simply receives nothing (as a posted message to a destroyed
// window is dropped); a receiver on another thread must outlive the job.
class WindowRef {
 public:
  WindowRef() = default;
  explicit WindowRef(QObject* window);

  bool empty() const { return !given_; }
  // Posts from any thread and returns at once.
  void Post(unsigned message, uintptr_t wParam, intptr_t lParam) const;
  // The window as a parent of other windows: only on the application's thread (null
  // for a receiver on another thread).
  QObject* ObjectOnGuiThread() const;

 private:
  QPointer<QObject> window_;
  bool given_ = false;
  bool onGuiThread_ = false;
};

// The message (or null) an event carries.
const WindowMessageEvent* AsWindowMessage(const QEvent* event);

// A receiver of posted messages that need not be a window.
class MessageReceiver : public QObject {
 public:
  using QObject::QObject;

 protected:
  virtual void OnWindowMessage(unsigned message, uintptr_t wParam, intptr_t lParam) = 0;
  bool event(QEvent* event) override;
};

}  // namespace tidewell
