#include "shell/ui/terminal/journal_stream.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "shell/base/display.h"
#include "support/bot_process.h"
#include "support/temp_dir.h"
#include "terminal_test_streams.h"

namespace zelmo {
namespace {

using testing::BotProcess;
using testing::PortOnPipes;
using testing::TempDir;

std::string StreamName(int fd, long inode_offset = 0) {
  struct stat status {};
  if (fstat(fd, &status) != 0) throw std::runtime_error("fstat failed");
  return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino + inode_offset);
}

TEST(JournalStream, OnlyTheNamedStreamIsTheJournal) {
  testing::Pipe pipe;
  const int fd = pipe.WriteEnd();
  const std::string device = StreamName(fd).substr(0, StreamName(fd).find(':'));
  struct Case {
    std::string value;
    bool journal;
  };
  const std::vector<Case> cases = {
      {StreamName(fd), true},
      {StreamName(fd, 1), false},
      {"", false},
      {device, false},
      {device + ":", false},
      {":" + StreamName(fd), false},
      {StreamName(fd) + "x", false},
      {"-1:-1", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsJournalStream(fd, c.value.c_str()), c.journal) << c.value;
  EXPECT_FALSE(IsJournalStream(fd, nullptr));
  EXPECT_FALSE(IsJournalStream(-1, StreamName(fd).c_str()));
}

// The journal stamps lines itself: the display's stamp goes, the class's
// priority comes, and every line of an error box is an error.
TEST(JournalStream, DisplayLinesCarryTheirPriorityAndNoStamp) {
  PortOnPipes pipes(false, true);
  TMessageDisplay display(pipes.port);
  display.DisplayLine("<bob> hi");
  display.DisplayColoredLine("loaded", Important);
  display.DisplayColoredLine("banned", Dangerous);
  display.DisplayColoredLine("lost \x1b[2J", Errorous);
  display.DisplayColoredLine("odd class", static_cast<TextClass>(7));
  EXPECT_EQ(pipes.output.Drain(),
            "<6><bob> hi\n<5>loaded\n<4>banned\n<3>lost ^[[2J\n<6>odd class\n");
  pipes.port.ErrorBox("ZelmoBot", "Socket Error # 10061\nConnection refused.");
  EXPECT_EQ(pipes.error.Drain(),
            "<3>ZelmoBot: Socket Error # 10061\n<3>          Connection refused.\n");
}

// The real program under a service manager: its standard output is the
// stream JOURNAL_STREAM names.
TEST(AppHeadless, WritesPrioritiesWhenItsOutputIsTheJournal) {
  TempDir dir;
  testing::ProcessOptions options = testing::HeadlessBot(dir.Path(), {}, true);
  options.args.insert(options.args.begin(),
                      {"-c", "export JOURNAL_STREAM=$(stat -L -c %d:%i /proc/$$/fd/1); exec \"$@\"",
                       "sh", options.program});
  options.program = "/bin/sh";
  BotProcess bot(options);
  ASSERT_TRUE(bot.Await(
      [](const testing::ProcessOutput& output) {
        return output.out.find("<6>Type") != std::string::npos;
      },
      std::chrono::seconds(10)))
      << bot.DisplayOutput();
  const std::string head =
      "<5>(Re)Loaded Config file...\n"
      "<4>No security password is set: generalowner and reload are off\n<6>Opening";
  EXPECT_EQ(bot.DisplayOutput().substr(0, head.size()), head);
  bot.Signal(SIGTERM);
  EXPECT_EQ(bot.WaitExit(std::chrono::seconds(10)), 0);
}

}  // namespace
}  // namespace zelmo
