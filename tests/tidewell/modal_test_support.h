#pragma once
// Answering modal windows from a test: the window's own event loop runs the answer once
// a window of the wanted kind is the active modal one.
#include <QApplication>
#include <QAbstractButton>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// Texts of labels and buttons that don't fit their control at the current font, named
// by their text. Labels that wrap, and those named in skip (shortened on purpose), are
// passed over.
inline std::vector<std::string> ClippedTexts(QWidget& window,
                                             const std::vector<QWidget*>& skip = {}) {
  std::vector<std::string> clipped;
  auto skipped = [&](QWidget* w) { return std::find(skip.begin(), skip.end(), w) != skip.end(); };
  for (QLabel* label : window.findChildren<QLabel*>())
    if (!label->wordWrap() && !skipped(label) && label->sizeHint().width() > label->width())
      clipped.push_back(label->text().toStdString());
  for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
    if (skipped(button)) continue;
    // A push button's size hint has a minimum width of its own; its text must fit.
    const int needed = qobject_cast<QPushButton*>(button) != nullptr
                           ? button->fontMetrics().horizontalAdvance(button->text().remove('&')) + 6
                           : button->sizeHint().width();
    if (needed > button->width()) clipped.push_back(button->text().toStdString());
  }
  // Column headers and cells of lists: each must fit its column, and the columns the list
  // (the first, which shortens long names and shows them whole in a tool tip, excepted).
  for (QTreeWidget* list : window.findChildren<QTreeWidget*>()) {
    QHeaderView* header = list->header();
    if (skipped(list) || header->isHidden()) continue;  // a folder tree shows no columns
    const int margin = header->fontMetrics().horizontalAdvance("M");
    for (int column = 0; column < list->columnCount(); ++column) {
      const int right = header->sectionPosition(column) + header->sectionSize(column);
      std::vector<QString> texts = {list->headerItem()->text(column)};
      if (column > 0)
        for (int row = 0; row < list->topLevelItemCount(); ++row)
          texts.push_back(list->topLevelItem(row)->text(column));
      for (const QString& text : texts)
        if (header->fontMetrics().horizontalAdvance(text) + margin > header->sectionSize(column) ||
            right > list->viewport()->width())
          clipped.push_back(text.toStdString());
    }
  }
  return clipped;
}

}  // namespace modal_test
