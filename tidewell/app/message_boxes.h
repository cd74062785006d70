#pragma once
// The program's message boxes behind one small interface: windows show them, a run
// without windows prints them.
#include <mutex>
#include <ostream>
#include <string>

namespace tidewell {

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // An OK box. May be called from any thread; returns once the box was dismissed.
  virtual void ShowMessage(const std::string& text) = 0;
  // A Yes/No box; true for Yes. May be called from any thread.
  virtual bool AskYesNo(const std::string& text) = 0;
};

// Real message boxes. A box asked for from another thread is shown on the application's
// thread, and the asking thread waits for the answer.
class WindowMessageBoxes : public MessageBoxes {
 public:
  explicit WindowMessageBoxes(std::string title = "Tidewell") : title_(std::move(title)) {}
  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;

 private:
  std::string title_;
};

// Each text followed by one line end on a stream; every question is answered No.
class PrintedMessageBoxes : public MessageBoxes {
 public:
  explicit PrintedMessageBoxes(std::ostream& out) : out_(out) {}
  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;

 private:
  std::mutex mutex_;  // boxes from several threads never mix their lines
  std::ostream& out_;
};

}  // namespace tidewell
