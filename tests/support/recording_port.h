#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "shell/base/ui_port.h"

namespace zelmo::testing {

struct DisplayedLine {
  std::string line;  // with its time stamp
  TColor color;
  // The text after "[time stamp] ".
  std::string Text() const;
};

struct ShownBalloon {
  std::string title, text;
  BalloonIcon icon;
  int seconds;
};

// A UI port for tests: records what the logic shows, answers questions with
// a preset answer, and runs posted tasks when the test pumps them. The
// thread that made the port is its user-interface thread.
class RecordingPort : public UiPort {
 public:
  RecordingPort();

  void AppendDisplayLine(const std::string& line, TColor color) override;
  void ClearDisplay() override;
  void SetDisplayBackground(TColor color) override { background = color; }
  void SetDisplayFont(const std::string& face) override { font = face; }
  void SetDisplayMaxLines(int count) override { max_lines = count; }
  void SetCaption(const std::string& text) override { caption = text; }
  bool Question(const std::string& title, const std::string& text) override;
  void ErrorBox(const std::string& title, const std::string& text) override;
  void Balloon(const std::string& title, const std::string& text, BalloonIcon icon,
               int seconds) override;
  std::unique_ptr<UiTimer> CreateTimer(std::function<void()> on_tick) override;
  void PostToUiThread(std::function<void()> task) override;
  void RequestClose() override { close_requests++; }
  bool OnUiThread() const override { return std::this_thread::get_id() == ui_thread_; }

  // Runs the posted tasks that are queued now; returns how many ran.
  int RunPending();
  // Runs posted tasks until the condition holds or the time is up.
  bool PumpUntil(const std::function<bool()>& done, int timeout_ms = 5000);
  // Fires every enabled timer once.
  void TickTimers();

  std::vector<std::string> Texts() const;  // displayed texts without stamps

  std::vector<DisplayedLine> lines;
  std::vector<std::pair<std::string, std::string>> errors;     // title, text
  std::vector<std::pair<std::string, std::string>> questions;  // title, text
  std::vector<ShownBalloon> balloons;
  bool answer = true;
  TColor background = clNone;
  std::string font, caption;
  int max_lines = -1;  // -1: never set
  int close_requests = 0;
  int clears = 0;

 private:
  class Timer;
  std::thread::id ui_thread_;
  std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;
  std::vector<Timer*> timers_;
};

}  // namespace zelmo::testing
