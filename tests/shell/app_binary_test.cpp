#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace zelmo {
namespace {

using Clock = std::chrono::steady_clock;
using testing::TempDir;

constexpr auto kPatience = std::chrono::seconds(10);

std::string BotBinary() {
  return ZELMO_BINARY_DIR "/zelmobot";
}

// The environment of this test with some variables removed or set.
std::vector<std::string> Environment(const std::vector<std::string>& drop,
                                     const std::vector<std::string>& add) {
  std::vector<std::string> out;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    std::string item = *entry;
    std::string name = item.substr(0, item.find('='));
    bool dropped = name == "NO_COLOR";
    for (const auto& d : drop) dropped = dropped || name == d;
    for (const auto& a : add) dropped = dropped || name == a.substr(0, a.find('='));
    if (!dropped) out.push_back(item);
  }
  out.insert(out.end(), add.begin(), add.end());
  return out;
}

// The bot as a child process on three pipes. Whatever happens in a test, the
// child is killed by its process id and reaped when the object goes.
class BotProcess {
 public:
  explicit BotProcess(const std::vector<std::string>& args,
                      const std::vector<std::string>& drop_env = {},
                      const std::vector<std::string>& add_env = {}, bool with_input = true) {
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) {
      throw std::runtime_error("pipe2 failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (with_input) {
      posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    } else {
      posix_spawn_file_actions_addclose(&actions, 0);
    }
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<std::string> argv_text{BotBinary()};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& arg : argv_text) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<std::string> env_text = Environment(drop_env, add_env);
    std::vector<char*> env;
    for (auto& item : env_text) env.push_back(item.data());
    env.push_back(nullptr);
    int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    input_ = in[1];
    output_ = out[0];
    error_ = err[0];
    if (failed != 0) {
      pid_ = -1;
      throw std::runtime_error("cannot start " + BotBinary() + " (build the zelmobot target)");
    }
  }

  ~BotProcess() {
    if (pid_ > 0 && !status_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    CloseInput();
    close(output_);
    close(error_);
  }

  void Write(const std::string& text) {
    ssize_t written = write(input_, text.data(), text.size());
    ASSERT_EQ(written, static_cast<ssize_t>(text.size()));
  }
  void CloseInput() {
    if (input_ >= 0) close(input_);
    input_ = -1;
  }
  void Signal(int number) { kill(pid_, number); }

  // Reads both outputs until the condition holds or the patience is gone.
  bool ReadUntil(const std::function<bool()>& done) {
    auto deadline = Clock::now() + kPatience;
    while (!done()) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return false;
      pollfd fds[2] = {{output_, POLLIN, 0}, {error_, POLLIN, 0}};
      if (poll(fds, 2, static_cast<int>(left.count())) <= 0) continue;
      bool got_output = ReadInto(output_, fds[0].revents, out);
      bool got_error = ReadInto(error_, fds[1].revents, err);
      if (!got_output && !got_error && output_closed_ && error_closed_) return done();
    }
    return true;
  }

  // The display texts written so far, time stamps removed.
  std::vector<std::string> DisplayTexts() const {
    std::vector<std::string> texts;
    std::size_t start = 0;
    for (std::size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
      std::string line = out.substr(start, end - start);
      auto stamp_end = line.find("] ");
      texts.push_back(line[0] == '[' && stamp_end != std::string::npos ? line.substr(stamp_end + 2)
                                                                       : line);
    }
    return texts;
  }

  bool DisplayHas(std::size_t lines) { return DisplayTexts().size() >= lines; }

  // The exit code, or minus the signal number; nothing if still running.
  std::optional<int> WaitExit(std::chrono::milliseconds patience = kPatience) {
    auto deadline = Clock::now() + patience;
    while (!status_) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
        break;
      }
      if (Clock::now() > deadline) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ReadUntil([&] { return output_closed_ && error_closed_; });
    return status_;
  }

  std::string out, err;

 private:
  bool ReadInto(int fd, short revents, std::string& into) {
    bool& closed = fd == output_ ? output_closed_ : error_closed_;
    if (revents == 0 || closed) return false;
    char buffer[4096];
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) {
      closed = true;
      return false;
    }
    into.append(buffer, static_cast<std::size_t>(got));
    return true;
  }

  pid_t pid_ = -1;
  int input_ = -1, output_ = -1, error_ = -1;
  bool output_closed_ = false, error_closed_ = false;
  std::optional<int> status_;
};

std::string WithoutTrailingSlash(std::string path) {
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool FolderIsEmpty(const TempDir& dir) {
  return std::filesystem::is_empty(std::filesystem::path(dir.Path()));
}

const std::vector<std::string> kOpeningTexts = {
    "(Re)Loaded Config file...", "Opening ZelmoBot v0.5..",
    "Type \"Connect\" to connect to the current IRC server"};

std::vector<std::string> FirstTexts(const BotProcess& bot, std::size_t count) {
  auto texts = bot.DisplayTexts();
  texts.resize(std::min(count, texts.size()));
  return texts;
}

TEST(AppOptions, VersionPrintsTheVersion) {
  BotProcess bot({"--version"});
  EXPECT_EQ(bot.WaitExit(), 0);
  EXPECT_EQ(bot.out, "ZelmoBot v0.5\n");
  EXPECT_EQ(bot.err, "");
}

TEST(AppOptions, HelpPrintsUsageOnStandardOutput) {
  BotProcess bot({"--headless", "--help"});
  EXPECT_EQ(bot.WaitExit(), 0);
  EXPECT_NE(bot.out.find("Usage: zelmobot"), std::string::npos) << bot.out;
  EXPECT_NE(bot.out.find("--data-dir DIR"), std::string::npos);
  EXPECT_NE(bot.out.find("--headless"), std::string::npos);
  EXPECT_EQ(bot.err, "");
}

TEST(AppOptions, UnknownOptionGivesUsageOnStandardErrorAndExitCode2) {
  for (const char* bad : {"--bogus", "-x", "stray"}) {
    BotProcess bot({"--headless", bad});
    EXPECT_EQ(bot.WaitExit(), 2) << bad;
    EXPECT_EQ(bot.out, "");
    EXPECT_NE(bot.err.find(bad), std::string::npos) << bot.err;
    EXPECT_NE(bot.err.find("Usage: zelmobot"), std::string::npos) << bot.err;
  }
}

TEST(AppOptions, DataDirMustBeAnExistingFolder) {
  TempDir dir;
  dir.Write("plain-file", "x");
  for (const std::string& folder : {dir.File("missing"), dir.File("plain-file")}) {
    BotProcess bot({"--headless", "--data-dir", folder});
    EXPECT_EQ(bot.WaitExit(), 2) << folder;
    EXPECT_EQ(bot.err,
              "ZelmoBot: the data folder '" + folder + "' does not exist or is not a folder\n");
    EXPECT_EQ(bot.out, "");
  }
  BotProcess no_value({"--headless", "--data-dir"});
  EXPECT_EQ(no_value.WaitExit(), 2);
  EXPECT_NE(no_value.err.find("--data-dir needs a folder"), std::string::npos) << no_value.err;
}

TEST(AppHeadless, StartsInAnEmptyFolderWithTheOpeningLinesAndWritesNoFile) {
  TempDir dir;
  BotProcess bot({"--headless", "--data-dir", WithoutTrailingSlash(dir.Path())});
  ASSERT_TRUE(bot.ReadUntil([&] { return bot.DisplayHas(3); })) << bot.out << bot.err;
  EXPECT_EQ(FirstTexts(bot, 3), kOpeningTexts);
  EXPECT_EQ(bot.out.substr(0, 1), "[");
  bot.Signal(SIGTERM);
  EXPECT_EQ(bot.WaitExit(), 0);
  EXPECT_EQ(bot.err, "");
  EXPECT_TRUE(FolderIsEmpty(dir));
}

TEST(AppHeadless, ABogusColourIsShownAndTheBotKeepsRunning) {
  TempDir dir;
  dir.Write("Config.ini", "[Display]\nNormal Text Color=bogus\n");
  BotProcess bot({"--headless", "--data-dir", dir.Path()});
  const std::string expected = "ZelmoBot: 'bogus' is not a valid integer value.\n";
  ASSERT_TRUE(bot.ReadUntil([&] { return bot.err.find(expected) != std::string::npos; }))
      << bot.err;
  EXPECT_EQ(bot.err, expected);
  // A shutdown that ends with status 0 shows the bot was still running.
  bot.Signal(SIGTERM);
  EXPECT_EQ(bot.WaitExit(), 0);
  // The load stopped at the bad key, so it did not report itself done.
  for (const std::string& text : bot.DisplayTexts()) EXPECT_NE(text, kOpeningTexts[0]);
}

TEST(AppHeadless, EndOfInputKeepsTheBotRunningUntilSigterm) {
  TempDir dir;
  BotProcess bot({"--headless", "--data-dir", dir.Path()});
  ASSERT_TRUE(bot.ReadUntil([&] { return bot.DisplayHas(3); }));
  bot.CloseInput();
  // A bot that took the end of input for EXIT would be gone by now.
  EXPECT_EQ(bot.WaitExit(std::chrono::milliseconds(500)), std::nullopt);
  bot.Signal(SIGTERM);
  EXPECT_EQ(bot.WaitExit(), 0);
}

TEST(AppHeadless, SigintShutsDownLikeSigtermAndASecondOneNeverHangs) {
  TempDir dir;
  BotProcess bot({"--headless", "--data-dir", dir.Path()});
  ASSERT_TRUE(bot.ReadUntil([&] { return bot.DisplayHas(3); }));
  bot.Signal(SIGINT);
  EXPECT_EQ(bot.WaitExit(), 0);

  BotProcess twice({"--headless", "--data-dir", dir.Path()});
  ASSERT_TRUE(twice.ReadUntil([&] { return twice.DisplayHas(3); }));
  twice.Signal(SIGTERM);
  twice.Signal(SIGINT);
  EXPECT_EQ(twice.WaitExit(), 0);
}

TEST(AppHeadless, StartedWithoutStandardInputItRunsUntilSigterm) {
  TempDir dir;
  BotProcess bot({"--headless", "--data-dir", dir.Path()}, {}, {}, false);
  ASSERT_TRUE(bot.ReadUntil([&] { return bot.DisplayHas(3); })) << bot.err;
  EXPECT_EQ(FirstTexts(bot, 3), kOpeningTexts);
  EXPECT_EQ(bot.WaitExit(std::chrono::milliseconds(300)), std::nullopt);
  bot.Signal(SIGTERM);
  EXPECT_EQ(bot.WaitExit(), 0);
  EXPECT_EQ(bot.err, "");
}

TEST(AppHeadless, ConsoleExitAsksAndEndsOnOk) {
  TempDir dir;
  BotProcess bot({"--headless", "--data-dir", dir.Path()});
  ASSERT_TRUE(bot.ReadUntil([&] { return bot.DisplayHas(3); }));
  bot.Write("exit\nno\ncomment;still here\n");
  ASSERT_TRUE(bot.ReadUntil([&] { return bot.DisplayHas(4); })) << bot.out << bot.err;
  EXPECT_EQ(bot.DisplayTexts()[3], "Comment by user: still here");
  EXPECT_NE(bot.err.find("[ok/cancel]"), std::string::npos) << bot.err;
  bot.Write("EXIT\nyes\n");
  EXPECT_EQ(bot.WaitExit(), 0);
  EXPECT_TRUE(FolderIsEmpty(dir));
}

TEST(AppWindow, WithoutADisplayTheBotRunsHeadless) {
  TempDir dir;
  BotProcess bot({"--data-dir", dir.Path()}, {"DISPLAY", "WAYLAND_DISPLAY"});
  ASSERT_TRUE(bot.ReadUntil([&] { return bot.DisplayHas(3) && bot.err.ends_with("\n"); }))
      << bot.err;
  EXPECT_EQ(FirstTexts(bot, 3), kOpeningTexts);
  EXPECT_EQ(bot.err, "ZelmoBot: no display found, running headless\n");
  bot.Signal(SIGTERM);
  EXPECT_EQ(bot.WaitExit(), 0);
}

TEST(AppWindow, ADisplayThatDoesNotAnswerCountsAsNone) {
  // The toolkit would abort on a display it cannot reach.
  TempDir dir;
  BotProcess bot({"--data-dir", dir.Path()}, {"WAYLAND_DISPLAY", "QT_QPA_PLATFORM"},
                 {"DISPLAY=:97"});
  ASSERT_TRUE(bot.ReadUntil([&] { return bot.DisplayHas(3) && bot.err.ends_with("\n"); }))
      << bot.err;
  EXPECT_EQ(bot.err, "ZelmoBot: no display found, running headless\n");
  bot.Signal(SIGTERM);
  EXPECT_EQ(bot.WaitExit(), 0);
}

TEST(AppWindow, WithADisplayTheWindowModuleRunsOrTheBotFallsBack) {
  TempDir dir;
  bool module_built = std::filesystem::exists(ZELMO_BINARY_DIR "/libzelmobot_qt.so");
  BotProcess bot({"--data-dir", dir.Path()}, {"WAYLAND_DISPLAY"},
                 {"DISPLAY=:99", "QT_QPA_PLATFORM=offscreen"});
  if (module_built) {
    // The display lines go to the window; the process only has to run and
    // shut down cleanly on a signal.
    EXPECT_EQ(bot.WaitExit(std::chrono::milliseconds(1000)), std::nullopt) << bot.err;
    bot.Signal(SIGTERM);
    EXPECT_EQ(bot.WaitExit(), 0) << bot.err;
    EXPECT_EQ(bot.err.find("running headless"), std::string::npos) << bot.err;
    EXPECT_EQ(bot.out, "");
  } else {
    ASSERT_TRUE(bot.ReadUntil([&] { return bot.DisplayHas(3) && bot.err.ends_with("\n"); }))
        << bot.err;
    EXPECT_EQ(FirstTexts(bot, 3), kOpeningTexts);
    EXPECT_NE(bot.err.find("ZelmoBot: cannot open the window ("), std::string::npos) << bot.err;
    EXPECT_NE(bot.err.find("), running headless\n"), std::string::npos) << bot.err;
    bot.Signal(SIGTERM);
    EXPECT_EQ(bot.WaitExit(), 0);
  }
}

}  // namespace
}  // namespace zelmo
