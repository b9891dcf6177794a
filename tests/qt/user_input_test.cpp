#include <gtest/gtest.h>

#include <QKeyEvent>

#include "qt_test_support.h"
#include "shell/ui/qt/input_box.h"
#include "shell/ui/qt/log_view.h"
#include "shell/ui/qt/main_window.h"
#include "shell/ui/qt/text_bytes.h"

namespace zelmo {
namespace {

using testing::FakeForm;
using testing::TestApp;

class UserInputTest : public ::testing::Test {
 protected:
  // First, so that the application exists before any widget.
  QApplication& app_ = TestApp();

  UserInputTest() { window_.SetHost(&form_); }

  InputBox& Box() { return window_.Input(); }

  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(&Box(), &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(&Box(), &release);
  }
  void Type(const QString& text) {
    for (QChar c : text) Key(Qt::Key_unknown, Qt::NoModifier, QString(c));
  }
  void Enter(Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    Key(Qt::Key_Return, modifiers, QStringLiteral("\r"));
  }

  FakeForm form_;
  MainWindow window_;
};

TEST_F(UserInputTest, EnterHandsOverTheLineAndTheBoxKeepsIt) {
  Type(QStringLiteral("connect"));
  Enter();
  ASSERT_EQ(form_.inputs, std::vector<std::string>{"connect"});
  Type(QStringLiteral("comment;hi"));
  Enter();
  EXPECT_EQ(form_.inputs, (std::vector<std::string>{"connect", "comment;hi"}));
  EXPECT_EQ(Box().toPlainText(), QStringLiteral("connect\ncomment;hi\n"));
}

TEST_F(UserInputTest, EnterOnTheFreshEmptyLineHandsTheLineAboveAgain) {
  Enter();  // an empty box hands over the empty text
  Box().clear();
  Type(QStringLiteral("disconnect;bye"));
  Enter();
  Enter();
  EXPECT_EQ(form_.inputs, (std::vector<std::string>{"", "disconnect;bye", "disconnect;bye"}));
  EXPECT_EQ(Box().toPlainText(), QStringLiteral("disconnect;bye\n\n"));
}

TEST_F(UserInputTest, EnterWithModifiersAndTheKeypadEnterAllCount) {
  Type(QStringLiteral("one"));
  Enter(Qt::ShiftModifier);
  Type(QStringLiteral("two"));
  Enter(Qt::ControlModifier);
  Type(QStringLiteral("three"));
  Key(Qt::Key_Enter, Qt::KeypadModifier, QStringLiteral("\r"));
  EXPECT_EQ(form_.inputs, (std::vector<std::string>{"one", "two", "three"}));
  // Plain new lines, never soft line breaks, so each line stays a line.
  EXPECT_EQ(Box().toPlainText(), QStringLiteral("one\ntwo\nthree\n"));
  EXPECT_EQ(Box().blockCount(), 4);
}

TEST_F(UserInputTest, TheLineIsTakenBeforeTheKeyLands) {
  Type(QStringLiteral("first"));
  Enter();
  Type(QStringLiteral("sec"));
  // Caret in the middle of the first line: the last line holding text is
  // still the one handed over, and the new line starts at the caret.
  QTextCursor caret = Box().textCursor();
  caret.setPosition(2);
  Box().setTextCursor(caret);
  Enter();
  EXPECT_EQ(form_.inputs.back(), "sec");
  EXPECT_EQ(Box().toPlainText(), QStringLiteral("fi\nrst\nsec"));
}

TEST_F(UserInputTest, TypedLettersGoOutAsUtf8) {
  Type(QStringLiteral(u"comment;hyvää yötä"));
  Enter();
  EXPECT_EQ(form_.inputs,
            std::vector<std::string>{"comment;hyv\xC3\xA4\xC3\xA4 y\xC3\xB6t\xC3\xA4"});
}

TEST_F(UserInputTest, ALongLineIsCutTo4096Characters) {
  Box().setPlainText(QString(5000, QLatin1Char('a')));
  Box().moveCursor(QTextCursor::End);
  Enter();
  ASSERT_EQ(form_.inputs.size(), 1u);
  EXPECT_EQ(form_.inputs[0], std::string(4096, 'a'));
  // A character outside the basic plane is one character, four bytes.
  QString faces;
  for (int i = 0; i < 5000; ++i) faces += QStringLiteral(u"\U0001F600");
  Box().setPlainText(faces);
  Box().moveCursor(QTextCursor::End);
  Enter();
  ASSERT_EQ(form_.inputs.size(), 2u);
  EXPECT_EQ(form_.inputs[1], BytesFromText(faces.left(2 * 4096)));
}

TEST_F(UserInputTest, OneLineHighAlongTheBottom) {
  window_.show();
  EXPECT_EQ(Box().objectName(), QStringLiteral("UserInput"));
  EXPECT_LT(Box().height(), 2 * Box().fontMetrics().lineSpacing() + 2 * Box().frameWidth());
  EXPECT_GE(Box().height(), Box().fontMetrics().lineSpacing());
  EXPECT_GT(Box().y(), window_.Display().y());
  EXPECT_EQ(Box().width(), window_.width());

  const int small = Box().height();
  QFont large = Box().font();
  large.setPointSize(large.pointSize() * 3);
  Box().setFont(large);
  EXPECT_GT(Box().height(), small);
  EXPECT_LT(Box().height(), 2 * Box().fontMetrics().lineSpacing() + 2 * Box().frameWidth());
}

TEST_F(UserInputTest, AnErrorFromTheFormIsShownAndTheBoxGoesOn) {
  struct ThrowingForm : FakeForm {
    void UserInputEntered(const std::string&) override {
      throw std::runtime_error("List index out of bounds (1)");
    }
  } throwing;
  window_.SetHost(&throwing);
  testing::BoxAnswerer answerer(QMessageBox::Ok);
  Type(QStringLiteral("comment"));
  Enter();
  EXPECT_TRUE(answerer.Seen().seen);
  EXPECT_EQ(answerer.Seen().text, QStringLiteral("List index out of bounds (1)"));
  EXPECT_EQ(answerer.Seen().title, QStringLiteral("ZelmoBot"));
  EXPECT_EQ(Box().toPlainText(), QStringLiteral("comment\n"));
}

}  // namespace
}  // namespace zelmo
