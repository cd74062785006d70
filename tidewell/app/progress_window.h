#pragma once

#include <QDialog>
#include <memory>

#include "tidewell/transfer/progress_fields.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace tidewell {

// Shows what a transfer job is doing: a status word, the address, a percentage text
// and a bar, and a Cancel button that cancels the whole job. Job threads only write
// the shared fields; a 100 ms timer on the window's thread copies them into the
// controls. Each control carries its dialog ID as object name.
class ProgressWindow : public QDialog {
  Q_OBJECT

 public:
  explicit ProgressWindow(std::shared_ptr<ProgressFields> fields, QWidget* parent = nullptr);
  ~ProgressWindow() override;

  ProgressFields& fields() { return *fields_; }

  // One timer tick: refreshes the percentage, the bar and the texts.
  void Tick();

  // Cancel, Escape, closing the window, or the job's close request.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowBar(bool show);
  void CopyTexts();

  std::shared_ptr<ProgressFields> fields_;
  QLabel* status_;
  QLabel* address_;
  QLabel* percent_;
  QProgressBar* bar_;
  QPushButton* cancel_;
  QTimer* timer_;
};

// From now on transfer jobs of this program that ask for progress show it in a
// ProgressWindow (above the nearest window of their receiver). Needs a widget application.
void ShowTransferProgressInWindows();

}  // namespace tidewell
