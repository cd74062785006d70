#include "tidewell/app/overwrite_prompt.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

namespace tidewell {

OverwritePrompt::OverwritePrompt(const std::string& question, QWidget* parent)
    : QDialog(parent), question_(new QLabel(QString::fromStdString(question), this)) {
  setObjectName(QStringLiteral("144"));
  setWindowTitle(QStringLiteral("Overwrite?"));
  question_->setObjectName(QStringLiteral("1076"));
  question_->setTextFormat(Qt::PlainText);
  question_->setWordWrap(true);
  question_->setMinimumWidth(320);

  struct ButtonSpec {
    const char* text;
    const char* id;
    int answer;
  };
  auto* buttons = new QHBoxLayout;
  for (const ButtonSpec& choice :
       {ButtonSpec{"Yes", "1077", kOverwriteYes},
        ButtonSpec{"Yes To All", "1075", kOverwriteYesToAll},
        ButtonSpec{"No", "1078", kOverwriteNo}, ButtonSpec{"Cancel", "2", kOverwriteCancel}}) {
    auto* button = new QPushButton(QString::fromUtf8(choice.text), this);
    button->setObjectName(QString::fromUtf8(choice.id));
    const int answer = choice.answer;
    if (answer == kOverwriteCancel) {
      connect(button, &QPushButton::clicked, this, &QDialog::reject);
    } else {
      connect(button, &QPushButton::clicked, this, [this, answer] { Answer(answer); });
    }
    if (answer == kOverwriteYes) button->setDefault(true);
    buttons->addWidget(button);
  }
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(question_);
  layout->addLayout(buttons);
}

void OverwritePrompt::Answer(int answer) {
  answer_ = answer;
  accept();
}

int OverwritePrompt::Ask() {
  exec();
  return answer_;
}

int AskOverwriteOnGuiThread(const std::string& question) {
  QCoreApplication* app = QCoreApplication::instance();
  if (qobject_cast<QApplication*>(app) == nullptr) return kOverwriteCancel;
  const auto ask = [question] {
    OverwritePrompt prompt(question);
    return prompt.Ask();
  };
  if (QThread::currentThread() == app->thread()) return ask();
  int answer = kOverwriteCancel;
  QMetaObject::invokeMethod(
      app, [&] { answer = ask(); }, Qt::BlockingQueuedConnection);
  return answer;
}

}  // namespace tidewell
