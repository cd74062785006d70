#pragma once
// Answering modal windows from a test: the window's own event loop runs the answer once
// a window of the wanted kind is the active modal one.
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace modal_test {

// Calls answer with the next modal window of type W (polling every 10 ms). A window that
// has not appeared within the time-out is not waited for; the modal windows open then
// are closed, so that a test never hangs. Returns a flag that tells whether the
// answer ran.
template <typename W>
std::shared_ptr<bool> WhenModal(std::function<void(W*)> answer, int timeoutMs = 10000) {
    auto ran = std::make_shared<bool>(false);
    auto* timer = new QTimer(qApp);  // the application owns it until it deletes itself
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, answer, ran, waited, timeoutMs] {
        if (auto* window = qobject_cast<W*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            *ran = true;
            answer(window);
            return;
        }
        *waited += 10;
        if (*waited < timeoutMs) return;
        // Gave up: close whatever modal windows are open (for a second), so that no
        // window waits for an answer that never comes.
        if (auto* other = qobject_cast<QDialog*>(QApplication::activeModalWidget())) other->reject();
        if (*waited >= timeoutMs + 1000) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
    return ran;
}

// Saves a picture of the window under BUILD_DIR/screenshots/.
inline bool SaveScreenshot(QWidget& window, const std::string& name) {
    const std::string folder = std::string(BUILD_DIR) + "/screenshots/";
    std::filesystem::create_directories(folder);
    window.show();
    QCoreApplication::processEvents();
    return window.grab().save(QString::fromStdString(folder + name + ".png"));
}

}  // namespace modal_test
