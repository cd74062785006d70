#pragma once
// The question an FTP upload asks before it replaces a file on the server.
#include <QDialog>
#include <string>

#include "tidewell/transfer/overwrite_answer.h"

class QLabel;

namespace tidewell {

// "Overwrite?" with the question in control 1076 and the buttons Yes (1077, the
// default), Yes To All (1075), No (1078) and Cancel (2). Cancel, Escape and closing the
// window all answer Cancel. Each control carries its dialog ID as object name.
class OverwritePrompt : public QDialog {
  Q_OBJECT

 public:
  explicit OverwritePrompt(const std::string& question, QWidget* parent = nullptr);

  // The answer chosen (kOverwriteCancel until a button stored another).
  int answer() const { return answer_; }
  // Shows the window modally and returns the answer.
  int Ask();

 private:
  void Answer(int answer);

  QLabel* question_;
  int answer_ = kOverwriteCancel;
};

// Shows the prompt on the application's thread, from any thread, and waits for the
// answer. Without a widget application there is nobody to ask: Cancel.
int AskOverwriteOnGuiThread(const std::string& question);

}  // namespace tidewell
