#include "tidewell/app/message_boxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QString>
#include <QThread>

namespace tidewell {
namespace {

// Runs the box on the application's thread: at once when already there, otherwise
// queued to it while this thread waits.
template <typename Box>
auto OnApplicationThread(Box box) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || QThread::currentThread() == app->thread()) return box();
  decltype(box()) answer{};
  QMetaObject::invokeMethod(
      app, [&] { answer = box(); }, Qt::BlockingQueuedConnection);
  return answer;
}

}  // namespace

void WindowMessageBoxes::ShowMessage(const std::string& text) {
  OnApplicationThread([&] {
    QMessageBox::information(nullptr, QString::fromStdString(title_), QString::fromStdString(text));
    return 0;
  });
}

bool WindowMessageBoxes::AskYesNo(const std::string& text) {
  return OnApplicationThread([&] {
    return QMessageBox::question(nullptr, QString::fromStdString(title_),
                                 QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  });
}

void PrintedMessageBoxes::ShowMessage(const std::string& text) {
  std::lock_guard<std::mutex> guard(mutex_);
  out_ << text << '\n' << std::flush;
}

bool PrintedMessageBoxes::AskYesNo(const std::string& text) {
  ShowMessage(text);
  return false;
}

}  // namespace tidewell
