#include <gtest/gtest.h>
#include <signal.h>
#include <termios.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/bot_process.h"
#include "support/irc_test_client.h"
#include "support/ngircd_server.h"
#include "support/temp_dir.h"
#include "support/terminal_process.h"

namespace zelmo {
namespace {

using testing::IrcTestClient;
using testing::NgircdServer;
using testing::TempDir;
using testing::TerminalProcess;

const std::vector<std::string> kTerminalEnv = {"TERM=xterm", "NO_COLOR=1"};
constexpr const char* kLeft = "\x1b[D";
constexpr const char* kUp = "\x1b[A";

bool LineMode(const termios& mode) {
  return (mode.c_lflag & ICANON) != 0 && (mode.c_lflag & ECHO) != 0;
}

TEST(ConsoleEditing, EditedLinesHistoryAndExitRestoreTheTerminal) {
  TempDir dir;
  TerminalProcess bot({"--headless", "--data-dir", dir.Path()}, kTerminalEnv);
  ASSERT_TRUE(bot.AwaitShown("Data folder: ")) << bot.shown;
  bot.Settle(100);
  EXPECT_FALSE(LineMode(bot.Mode()));  // the editor has the terminal

  // Typed with a slip, mended in the middle of the line; a character of
  // several bytes is one step of the cursor.
  bot.Type(std::string("comt;ön€") + kLeft + kLeft + kLeft + kLeft + kLeft + "men\r");
  ASSERT_TRUE(bot.AwaitShown("Comment by user: ön€\r\n")) << bot.shown;
  // The line again from the history, its end rubbed out and typed anew.
  bot.Type(std::string(kUp) + "\x7f\x7f\x7f" + "two\r");
  ASSERT_TRUE(bot.AwaitShown("Comment by user: two")) << bot.shown;
  // Ctrl-U drops what was typed; Enter on an empty line repeats the last.
  bot.Type("comment;dropped\x15\r");
  ASSERT_TRUE(
      bot.AwaitShownAfter(bot.shown.find("Comment by user: two") + 1, "Comment by user: two"))
      << bot.shown;
  bot.Settle(200);
  EXPECT_EQ(bot.shown.find("Comment by user: dropped"), std::string::npos) << bot.shown;

  // The close question is the edit line's prompt.
  bot.Type("exit\r");
  ASSERT_TRUE(bot.AwaitShown("ZelmoBot: Do you want to exit ZelmoBot? [ok/cancel] ")) << bot.shown;
  bot.Type("ok\r");
  EXPECT_EQ(bot.Exit(), 0) << bot.shown;
  EXPECT_TRUE(LineMode(bot.Mode()));
}

TEST(ConsoleEditing, DisplayLinesGoAboveThePartLineAndCtrlDClosesOnlyTheConsole) {
  if (!NgircdServer::Available()) GTEST_SKIP() << "ngircd is not installed";
  NgircdServer server;
  TempDir dir;
  dir.Write("Config.ini", testing::LoopbackConfig(server.Port(), "AutoConnect=1\n"));
  TerminalProcess bot({"--headless", "--data-dir", dir.Path()}, kTerminalEnv);
  ASSERT_TRUE(bot.AwaitShown("Connected to 127.0.0.1.")) << bot.shown;
  IrcTestClient watcher(NgircdServer::Host(), server.Port(), "watcher");
  watcher.Send("ISON ZelmoBot");
  ASSERT_TRUE(watcher.WaitFor(" 303 watcher :ZelmoBot"));

  bot.Type("comm");
  ASSERT_TRUE(bot.AwaitShown("> comm")) << bot.shown;
  std::size_t before = bot.shown.size();
  watcher.Send("PRIVMSG ZelmoBot :hello while typing");
  ASSERT_TRUE(bot.AwaitShownAfter(before, "hello while typing")) << bot.shown;
  // The part line is drawn again under the new line, and Enter takes it whole.
  ASSERT_TRUE(bot.AwaitShownAfter(bot.shown.find("hello while typing", before), "\r\n> comm"))
      << bot.shown;
  bot.Type("ent;kept\r");
  ASSERT_TRUE(bot.AwaitShown("Comment by user: kept")) << bot.shown;

  bot.Type("\x04");
  bot.Settle(200);
  EXPECT_TRUE(LineMode(bot.Mode()));
  // Typing reaches nobody now, and the bot still shows what happens.
  bot.Type("comment;unread\r");
  before = bot.shown.size();
  watcher.Send("PRIVMSG ZelmoBot :still running");
  ASSERT_TRUE(bot.AwaitShownAfter(before, "still running")) << bot.shown;
  bot.Settle(200);
  EXPECT_EQ(bot.shown.find("Comment by user: unread"), std::string::npos) << bot.shown;

  kill(bot.Pid(), SIGTERM);
  EXPECT_EQ(bot.Exit(), 0) << bot.shown;
}

// A second signal ends the bot at once, in the middle of its shutdown; the
// terminal still gets its line mode back.
TEST(ConsoleEditing, ASecondSignalRestoresTheTerminalToo) {
  TempDir dir;
  TerminalProcess bot({"--headless", "--data-dir", dir.Path()}, kTerminalEnv);
  ASSERT_TRUE(bot.AwaitShown("Data folder: ")) << bot.shown;
  bot.Type("comm");
  ASSERT_TRUE(bot.AwaitShown("> comm")) << bot.shown;
  ASSERT_FALSE(LineMode(bot.Mode()));
  kill(bot.Pid(), SIGINT);
  kill(bot.Pid(), SIGTERM);
  EXPECT_EQ(bot.Exit(), 0) << bot.shown;
  EXPECT_TRUE(LineMode(bot.Mode()));
}

// A program without its line editor module still takes console lines on a
// terminal, as the terminal's own line mode gives them, and says why.
TEST(ConsoleEditing, WithoutTheEditorModuleTheConsoleStillTakesLines) {
  TempDir dir;
  TempDir bin;
  std::filesystem::copy_file(testing::BotBinary(), bin.File("zelmobot"));
  std::filesystem::permissions(bin.File("zelmobot"), std::filesystem::perms::owner_all);
  TerminalProcess bot({"--headless", "--data-dir", dir.Path()}, kTerminalEnv, bin.File("zelmobot"));
  ASSERT_TRUE(bot.AwaitShown("Line editing is off: ")) << bot.shown;
  EXPECT_NE(bot.shown.find("libzelmobot_edit.so"), std::string::npos) << bot.shown;
  ASSERT_TRUE(bot.AwaitShown("Data folder: ")) << bot.shown;
  EXPECT_TRUE(LineMode(bot.Mode()));
  bot.Type("comment;typed plainly\r");
  ASSERT_TRUE(bot.AwaitShown("Comment by user: typed plainly")) << bot.shown;
}

}  // namespace
}  // namespace zelmo
