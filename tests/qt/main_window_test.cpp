#include <gtest/gtest.h>

#include <QWindow>

#include "qt_test_support.h"
#include "shell/ui/qt/log_view.h"
#include "shell/ui/qt/main_window.h"
#include "shell/ui/qt/qt_port.h"
#include "shell/ui/qt/status_line.h"
#include "shell/ui/qt/tray_icon.h"

namespace zelmo {
namespace {

using testing::BoxAnswerer;
using testing::FakeForm;
using testing::ProcessEventsUntil;
using testing::TestApp;

class MainWindowTest : public ::testing::Test {
 protected:
  // First, so that the application exists before any widget.
  QApplication& app_ = TestApp();

  MainWindowTest() {
    window_.SetHost(&form_);
    QObject::connect(&window_, &MainWindow::Closed, [this] { ++closed_; });
  }

  FakeForm form_;
  MainWindow window_;
  QtPort port_{window_};
  int closed_ = 0;
};

TEST_F(MainWindowTest, CaptionAndStartSize) {
  port_.SetCaption("ZelmoBot v0.5");
  window_.show();
  EXPECT_EQ(window_.objectName(), QStringLiteral("MainForm"));
  EXPECT_EQ(window_.windowTitle(), QStringLiteral("ZelmoBot v0.5"));
  EXPECT_EQ(window_.size(), QSize(696, 480));
  EXPECT_FALSE(window_.windowIcon().isNull());
}

TEST_F(MainWindowTest, CaptionIsShownAsWritten) {
  window_.show();
  port_.SetCaption("odd [*] caption \xE4");
  ASSERT_NE(window_.windowHandle(), nullptr);
  EXPECT_EQ(window_.windowHandle()->title(), QStringLiteral(u"odd [*] caption ä"));
}

TEST_F(MainWindowTest, CloseIsAcceptedWhenTheFormSaysSo) {
  window_.show();
  form_.allow_close = true;
  EXPECT_TRUE(window_.close());
  EXPECT_EQ(form_.close_queries, 1);
  EXPECT_EQ(closed_, 1);
  EXPECT_FALSE(window_.isVisible());
}

TEST_F(MainWindowTest, CloseIsIgnoredWhenTheFormSaysNo) {
  window_.show();
  form_.allow_close = false;
  port_.RequestClose();
  EXPECT_EQ(form_.close_queries, 1);
  EXPECT_EQ(closed_, 0);
  EXPECT_TRUE(window_.isVisible());
  EXPECT_EQ(form_.shutdowns, 0);
}

TEST_F(MainWindowTest, AFormThatFailsToAnswerKeepsTheWindowOpen) {
  struct ThrowingForm : FakeForm {
    bool FormCloseQuery() override { throw std::runtime_error("Socket Error # 10054"); }
  } throwing;
  window_.SetHost(&throwing);
  window_.show();
  BoxAnswerer answerer(QMessageBox::Ok);
  window_.close();
  EXPECT_TRUE(answerer.Seen().seen);
  EXPECT_EQ(answerer.Seen().text, QStringLiteral("Socket Error # 10054."));
  EXPECT_EQ(closed_, 0);
  EXPECT_TRUE(window_.isVisible());
}

TEST_F(MainWindowTest, QuestionShowsTitleAndTextAndAnswersOk) {
  BoxAnswerer answerer(QMessageBox::Ok);
  EXPECT_TRUE(port_.Question("ZelmoBot", "Do you really want to exit?"));
  const testing::SeenBox& seen = answerer.Seen();
  ASSERT_TRUE(seen.seen);
  EXPECT_EQ(seen.title, QStringLiteral("ZelmoBot"));
  EXPECT_EQ(seen.text, QStringLiteral("Do you really want to exit?"));
  EXPECT_TRUE(seen.has_cancel);
  EXPECT_EQ(seen.icon, QMessageBox::Question);

  BoxAnswerer canceller(QMessageBox::Cancel);
  EXPECT_FALSE(port_.Question("ZelmoBot", "Exit?"));
  EXPECT_TRUE(canceller.Seen().seen);
}

TEST_F(MainWindowTest, ErrorBoxShowsExactlyTheGivenText) {
  BoxAnswerer answerer(QMessageBox::Ok);
  port_.ErrorBox("ZelmoBot", "'<b>bogus</b>' is not a valid integer value.");
  const testing::SeenBox& seen = answerer.Seen();
  ASSERT_TRUE(seen.seen);
  EXPECT_EQ(seen.title, QStringLiteral("ZelmoBot"));
  EXPECT_EQ(seen.text, QStringLiteral("'<b>bogus</b>' is not a valid integer value."));
  EXPECT_EQ(seen.format, Qt::PlainText);
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  EXPECT_FALSE(seen.has_cancel);
}

TEST_F(MainWindowTest, BalloonsWithoutATrayGoToTheStatusLine) {
  ASSERT_FALSE(TrayIcon::DesktopHasTray()) << "the offscreen platform has no tray";
  window_.show();
  port_.Balloon("ZelmoBot: Disconnect",
                "Disconnected from irc.example.org.\rReconnecting automatically!",
                BalloonIcon::Info, 60);
  EXPECT_FALSE(window_.Status().isHidden());
  EXPECT_EQ(window_.Status().text(),
            QStringLiteral("ZelmoBot: Disconnect: Disconnected from irc.example.org.\n"
                           "Reconnecting automatically!"));

  // A new notice replaces the one shown, and goes after its own time.
  port_.Balloon("Nick changed", "My nick has been changed from a to b", BalloonIcon::Info, 1);
  EXPECT_EQ(window_.Status().text(),
            QStringLiteral("Nick changed: My nick has been changed from a to b"));
  EXPECT_TRUE(ProcessEventsUntil([&] { return window_.Status().isHidden(); }, 10000));
  EXPECT_TRUE(window_.Status().text().isEmpty());
}

TEST_F(MainWindowTest, BalloonsBeforeTheWindowIsShownDoNotFail) {
  port_.Balloon(std::string(100, 'T'), std::string(1000, 'x'), BalloonIcon::Error, 0);
  EXPECT_EQ(window_.Status().text().size(), 63 + 2 + 255);
}

TEST_F(MainWindowTest, WithoutATrayMinimisingKeepsTheWindowReachable) {
  window_.show();
  window_.showMinimized();
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_FALSE(window_.isHidden());
}

TEST_F(MainWindowTest, AnyClickOnTheTrayIconBringsTheWindowBack) {
  for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::Context,
                      QSystemTrayIcon::MiddleClick, QSystemTrayIcon::DoubleClick}) {
    SCOPED_TRACE(reason);
    window_.hide();
    emit window_.Tray().activated(reason);
    EXPECT_TRUE(window_.isVisible());
    EXPECT_FALSE(window_.isMinimized());
  }
  window_.showMinimized();
  emit window_.Tray().activated(QSystemTrayIcon::Trigger);
  EXPECT_FALSE(window_.isMinimized());
}

}  // namespace
}  // namespace zelmo
