#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <thread>
#include <vector>

#include "shell/base/errors.h"
#include "terminal_test_streams.h"

namespace zelmo {
namespace {

using testing::PortOnPipes;

// A form that records what the console hands it; "exit" asks to close.
class FakeForm : public FormHost {
 public:
  explicit FakeForm(TerminalPort& port) : port_(port) {}
  void UserInputEntered(const std::string& line) override {
    inputs.push_back(line);
    if (line == "exit") port_.RequestClose();
    if (line == "ask") answers.push_back(port_.Question("ZelmoBot", "Sure?"));
    if (line == "fail") throw EListError("List index out of bounds (1)");
  }
  bool FormCloseQuery() override {
    ++close_queries;
    bool ok = port_.Question("ZelmoBot", "Do you want to exit ZelmoBot?");
    answers.push_back(ok);
    return ok;
  }
  void Shutdown() override { ++shutdowns; }

  std::vector<std::string> inputs;
  std::vector<bool> answers;
  int close_queries = 0;
  int shutdowns = 0;

 private:
  TerminalPort& port_;
};

// Runs the form's console; a watchdog shuts it down should a test hang.
void RunForm(PortOnPipes& pipes, FakeForm& form) {
  auto watchdog = pipes.port.CreateTimer([&] { pipes.signal.Write("x"); });
  watchdog->SetInterval(10000);
  watchdog->SetEnabled(true);
  pipes.port.Run(form);
}

// Sends the termination signal once the condition holds, looked at every
// few milliseconds on the loop thread.
std::unique_ptr<UiTimer> StopWhen(PortOnPipes& pipes, std::function<bool()> condition) {
  auto timer = pipes.port.CreateTimer([&pipes, condition] {
    if (condition()) pipes.signal.Write("x");
  });
  timer->SetInterval(2);
  timer->SetEnabled(true);
  return timer;
}

TEST(TerminalConsole, EachLineIsOneInputAndAnEmptyLineRepeatsTheLast) {
  PortOnPipes pipes;
  FakeForm form(pipes.port);
  pipes.input.Write("\nconnect\r\n\ncomment;a b\n \n\nexit\nok\n");
  RunForm(pipes, form);
  // The first line is Enter in an empty box, which hands over the empty text.
  EXPECT_EQ(form.inputs,
            (std::vector<std::string>{"", "connect", "connect", "comment;a b", " ", " ", "exit"}));
  EXPECT_EQ(form.shutdowns, 0);
  EXPECT_TRUE(pipes.port.Closed());
}

TEST(TerminalConsole, LongLinesAreCutTo4096Bytes) {
  PortOnPipes pipes;
  FakeForm form(pipes.port);
  std::thread writer(
      [&] { pipes.input.Write("comment;" + std::string(10000, 'w') + "\nexit\nyes\n"); });
  RunForm(pipes, form);
  writer.join();
  ASSERT_EQ(form.inputs.size(), 2u);
  EXPECT_EQ(form.inputs[0], "comment;" + std::string(4096 - 8, 'w'));
}

TEST(TerminalConsole, EndOfInputClosesTheConsoleButTheBotRuns) {
  PortOnPipes pipes;
  FakeForm form(pipes.port);
  pipes.input.Write("last line without newline");
  pipes.input.CloseWrite();
  bool posted_ran = false;
  auto stopper = StopWhen(pipes, [&] {
    if (pipes.port.ConsoleOpen()) return false;
    // The console is closed; the bot still handles what is handed to it.
    pipes.port.PostToUiThread([&] { posted_ran = true; });
    return true;
  });
  RunForm(pipes, form);
  EXPECT_TRUE(posted_ran || pipes.RunUntil([&] { return posted_ran; }));
  EXPECT_FALSE(pipes.port.ConsoleOpen());
  EXPECT_EQ(form.inputs, (std::vector<std::string>{"last line without newline"}));
  EXPECT_EQ(form.shutdowns, 1);
}

TEST(TerminalConsole, AnInputErrorIsShownAndLaterLinesStillCome) {
  PortOnPipes pipes;
  FakeForm form(pipes.port);
  pipes.input.Write("fail\nnext\nexit\nok\n");
  RunForm(pipes, form);
  EXPECT_EQ(form.inputs, (std::vector<std::string>{"fail", "next", "exit"}));
  EXPECT_EQ(pipes.error.Drain(),
            "ZelmoBot: List index out of bounds (1)\n"
            "ZelmoBot: Do you want to exit ZelmoBot? [ok/cancel] \n");
}

struct AnswerCase {
  std::string answer_line;
  bool expected;
};

class TerminalQuestion : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(TerminalQuestion, ReadsTheAnswerFromTheNextLine) {
  PortOnPipes pipes;
  FakeForm form(pipes.port);
  pipes.input.Write("ask\n" + GetParam().answer_line + "after\n");
  pipes.input.CloseWrite();
  auto stopper = StopWhen(pipes, [&] { return !pipes.port.ConsoleOpen(); });
  RunForm(pipes, form);
  ASSERT_EQ(form.answers.size(), 1u);
  EXPECT_EQ(form.answers[0], GetParam().expected) << GetParam().answer_line;
  EXPECT_EQ(form.inputs, (std::vector<std::string>{"ask", "after"}));
  EXPECT_EQ(pipes.error.Drain(), "ZelmoBot: Sure? [ok/cancel] \n");
}

INSTANTIATE_TEST_SUITE_P(Answers, TerminalQuestion,
                         ::testing::Values(AnswerCase{"ok\n", true}, AnswerCase{"OK\n", true},
                                           AnswerCase{"Y\n", true}, AnswerCase{"yes\r\n", true},
                                           AnswerCase{"  Yes \t\n", true},
                                           AnswerCase{"no\n", false}, AnswerCase{"\n", false},
                                           AnswerCase{"okay\n", false},
                                           AnswerCase{"cancel\n", false}));

TEST(TerminalQuestionEnd, EndOfInputIsCancel) {
  PortOnPipes pipes;
  FakeForm form(pipes.port);
  pipes.input.Write("exit\n");
  pipes.input.CloseWrite();
  auto stopper = StopWhen(pipes, [&] { return !form.answers.empty(); });
  RunForm(pipes, form);
  EXPECT_EQ(form.answers, (std::vector<bool>{false}));
  EXPECT_EQ(form.shutdowns, 1);
  EXPECT_EQ(pipes.error.Drain(), "ZelmoBot: Do you want to exit ZelmoBot? [ok/cancel] \n");
}

TEST(TerminalQuestionEnd, AnswerTypedLaterWhileTasksAndTimersGoOn) {
  PortOnPipes pipes;
  FakeForm form(pipes.port);
  pipes.input.Write("exit\n");
  std::atomic<bool> task_ran_during_question{false};
  std::thread operator_thread([&] {
    // Wait for the prompt, then hand over a task and answer.
    std::string prompt;
    for (int i = 0; i < 10000 && prompt.find("[ok/cancel]") == std::string::npos; ++i) {
      prompt += pipes.error.Drain();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    pipes.port.RunOnUiThreadAndWait([&] { task_ran_during_question = form.answers.empty(); });
    pipes.input.Write("y\n");
  });
  RunForm(pipes, form);
  operator_thread.join();
  EXPECT_TRUE(task_ran_during_question);
  EXPECT_EQ(form.answers, (std::vector<bool>{true}));
  EXPECT_EQ(form.close_queries, 1);
  EXPECT_EQ(form.shutdowns, 0);
}

TEST(TerminalSignal, ATerminationSignalShutsTheFormDown) {
  PortOnPipes pipes;
  FakeForm form(pipes.port);
  pipes.signal.Write("x");
  RunForm(pipes, form);
  EXPECT_EQ(form.shutdowns, 1);
  EXPECT_EQ(form.close_queries, 0);
  EXPECT_TRUE(pipes.port.Closed());
}

TEST(TerminalSignal, ASignalDuringAQuestionCancelsItThenShutsDown) {
  PortOnPipes pipes;
  FakeForm form(pipes.port);
  pipes.input.Write("exit\n");
  std::thread signaller([&] {
    std::string prompt;
    for (int i = 0; i < 10000 && prompt.find("[ok/cancel]") == std::string::npos; ++i) {
      prompt += pipes.error.Drain();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    pipes.signal.Write("x");
  });
  RunForm(pipes, form);
  signaller.join();
  EXPECT_EQ(form.answers, (std::vector<bool>{false}));
  EXPECT_EQ(form.shutdowns, 1);
}

TEST(TerminalClose, CancelKeepsRunningAndOkEndsTheLoop) {
  PortOnPipes pipes;
  FakeForm form(pipes.port);
  pipes.input.Write("exit\nno\nstill here\nexit\nok\n");
  RunForm(pipes, form);
  EXPECT_EQ(form.inputs, (std::vector<std::string>{"exit", "still here", "exit"}));
  EXPECT_EQ(form.answers, (std::vector<bool>{false, true}));
  EXPECT_EQ(form.shutdowns, 0);
}

class TerminalDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = getenv("NO_COLOR");
    if (old != nullptr) saved_ = old;
    unsetenv("NO_COLOR");
  }
  void TearDown() override {
    if (saved_)
      setenv("NO_COLOR", saved_->c_str(), 1);
    else
      unsetenv("NO_COLOR");
  }
  std::optional<std::string> saved_;
};

TEST_F(TerminalDisplay, PlainLinesWhenOutputIsNoTerminal) {
  PortOnPipes pipes(false);
  pipes.port.AppendDisplayLine("[stamp] red", clRed);
  pipes.port.AppendDisplayLine("[stamp] black", clBlack);
  EXPECT_EQ(pipes.output.Drain(), "[stamp] red\n[stamp] black\n");
}

TEST_F(TerminalDisplay, ColourCodesOnATerminal) {
  PortOnPipes pipes(true);
  pipes.port.AppendDisplayLine("[stamp] important", clGreen);
  pipes.port.AppendDisplayLine("[stamp] normal", clBlack);
  pipes.port.AppendDisplayLine("[stamp] role", clWindowText);
  pipes.port.AppendDisplayLine("[stamp] none", clNone);
  pipes.port.AppendDisplayLine("[stamp] all bits", -1);
  EXPECT_EQ(pipes.output.Drain(),
            "\x1b[38;2;0;128;0m[stamp] important\x1b[0m\n"
            "[stamp] normal\n[stamp] role\n[stamp] none\n[stamp] all bits\n");
}

TEST_F(TerminalDisplay, NoColorSwitchesColourOffButAnEmptyOneDoesNot) {
  setenv("NO_COLOR", "1", 1);
  {
    PortOnPipes pipes(true);
    pipes.port.AppendDisplayLine("x", clRed);
    EXPECT_EQ(pipes.output.Drain(), "x\n");
  }
  setenv("NO_COLOR", "", 1);
  {
    PortOnPipes pipes(true);
    pipes.port.AppendDisplayLine("x", clRed);
    EXPECT_EQ(pipes.output.Drain(), "\x1b[38;2;255;0;0mx\x1b[0m\n");
  }
}

TEST_F(TerminalDisplay, ControlBytesFromIrcNeverReachTheTerminal) {
  PortOnPipes pipes(true);
  pipes.port.AppendDisplayLine(
      "[s] <bob> \x03"
      "4red\x1b[2J caf\xe9",
      clRed);
  pipes.port.AppendDisplayLine("[s] k\xc3\xa4vi\x7f", clBlack);
  EXPECT_EQ(pipes.output.Drain(),
            "\x1b[38;2;255;0;0m[s] <bob> ^C4red^[[2J caf\xc3\xa9\x1b[0m\n"
            "[s] k\xc3\xa4vi^?\n");
}

TEST_F(TerminalDisplay, ClearWritesNothing) {
  PortOnPipes pipes(true);
  pipes.port.ClearDisplay();
  pipes.port.SetDisplayBackground(clBlue);
  EXPECT_EQ(pipes.output.Drain(), "");
}

TEST(TerminalNotices, ErrorBoxLinesAndOneLineBalloonsOnStandardError) {
  PortOnPipes pipes(true);
  pipes.port.ErrorBox("ZelmoBot", "Socket Error # 10061\nConnection refused.\x07");
  pipes.port.Balloon("ZelmoBot", "Connection lost\rReconnecting...", BalloonIcon::Warning, 5);
  pipes.port.Balloon("Kicked", "by \x1b]0;x\x07", BalloonIcon::Error, 5);
  EXPECT_EQ(pipes.error.Drain(),
            "ZelmoBot: Socket Error # 10061\n"
            "          Connection refused.^G\n"
            "ZelmoBot: Connection lost Reconnecting...\n"
            "Kicked: by ^[]0;x^G\n");
  EXPECT_EQ(pipes.output.Drain(), "");
}

}  // namespace
}  // namespace zelmo
