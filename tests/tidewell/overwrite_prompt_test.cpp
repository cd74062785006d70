// The overwrite question: its buttons, their answers, and Escape.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <thread>

#include "test_servers.h"
#include "tidewell/app/overwrite_prompt.h"

namespace {

using tidewell::OverwritePrompt;

// Opens the prompt modally, lets `act` work on it once it is up, and returns the answer.
template <typename Act>
int AnswerWith(Act act) {
  tidewell_test::EnsureGuiApplication();
  OverwritePrompt prompt("Overwrite ftp://site//a.dat?");
  QTimer::singleShot(0, &prompt, [&] { act(prompt); });
  return prompt.Ask();
}

void Click(OverwritePrompt& prompt, const char* id) {
  auto* button = prompt.findChild<QPushButton*>(QString::fromLatin1(id));
  ASSERT_NE(button, nullptr) << id;
  button->click();
}

TEST(OverwritePrompt, EachButtonGivesItsAnswer) {
  EXPECT_EQ(AnswerWith([](OverwritePrompt& p) { Click(p, "1077"); }), tidewell::kOverwriteYes);
  EXPECT_EQ(AnswerWith([](OverwritePrompt& p) { Click(p, "1075"); }), tidewell::kOverwriteYesToAll);
  EXPECT_EQ(AnswerWith([](OverwritePrompt& p) { Click(p, "1078"); }), tidewell::kOverwriteNo);
  EXPECT_EQ(AnswerWith([](OverwritePrompt& p) { Click(p, "2"); }), tidewell::kOverwriteCancel);
}

TEST(OverwritePrompt, EscapeAndClosingCountAsCancelAndEnterAsYes) {
  EXPECT_EQ(AnswerWith([](OverwritePrompt& p) { QTest::keyClick(&p, Qt::Key_Escape); }),
            tidewell::kOverwriteCancel);
  EXPECT_EQ(AnswerWith([](OverwritePrompt& p) { p.close(); }), tidewell::kOverwriteCancel);
  EXPECT_EQ(AnswerWith([](OverwritePrompt& p) { QTest::keyClick(&p, Qt::Key_Return); }),
            tidewell::kOverwriteYes);
}

TEST(OverwritePrompt, ShowsTheQuestionUnderItsTitle) {
  std::string text, title;
  AnswerWith([&](OverwritePrompt& p) {
    if (auto* label = p.findChild<QLabel*>(QStringLiteral("1076")))
      text = label->text().toStdString();
    title = p.windowTitle().toStdString();
    std::filesystem::create_directories(BUILD_DIR "/screenshots");
    p.grab().save(QStringLiteral(BUILD_DIR "/screenshots/overwrite_prompt.png"));
    p.reject();
  });
  EXPECT_EQ(text, "Overwrite ftp://site//a.dat?");
  EXPECT_EQ(title, "Overwrite?");
}

TEST(OverwritePrompt, AskedFromAJobThreadIsShownOnTheApplicationThread) {
  tidewell_test::EnsureGuiApplication();
  std::atomic<int> answer{-1};
  std::thread job([&] { answer = tidewell::AskOverwriteOnGuiThread("Overwrite?"); });
  // Answer No on the prompt once it is up.
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* prompt = qobject_cast<OverwritePrompt*>(widget); prompt && prompt->isVisible())
        Click(*prompt, "1078");
    }
  });
  poll.start(10);
  while (answer == -1) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  job.join();
  EXPECT_EQ(answer, tidewell::kOverwriteNo);
}

}  // namespace
