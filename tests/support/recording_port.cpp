#include "support/recording_port.h"

#include <algorithm>
#include <chrono>

namespace zelmo::testing {

std::string DisplayedLine::Text() const {
  auto close = line.find("] ");
  return close == std::string::npos ? line : line.substr(close + 2);
}

class RecordingPort::Timer : public UiTimer {
 public:
  Timer(RecordingPort& port, std::function<void()> on_tick)
      : port_(port), on_tick_(std::move(on_tick)) {
    port_.timers_.push_back(this);
  }
  ~Timer() override { std::erase(port_.timers_, this); }
  void SetInterval(int milliseconds) override { interval = milliseconds; }
  void SetEnabled(bool on) override { enabled = on; }
  bool Enabled() const override { return enabled; }
  void Tick() {
    if (enabled) on_tick_();
  }
  int interval = 1000;
  bool enabled = false;

 private:
  RecordingPort& port_;
  std::function<void()> on_tick_;
};

RecordingPort::RecordingPort() : ui_thread_(std::this_thread::get_id()) {}

void RecordingPort::AppendDisplayLine(const std::string& line, TColor color) {
  lines.push_back({line, color});
}

void RecordingPort::ClearDisplay() {
  lines.clear();
  clears++;
}

bool RecordingPort::Question(const std::string& title, const std::string& text) {
  questions.emplace_back(title, text);
  return answer;
}

void RecordingPort::ErrorBox(const std::string& title, const std::string& text) {
  errors.emplace_back(title, text);
}

void RecordingPort::Balloon(const std::string& title, const std::string& text, BalloonIcon icon,
                            int seconds) {
  balloons.push_back({title, text, icon, seconds});
}

std::unique_ptr<UiTimer> RecordingPort::CreateTimer(std::function<void()> on_tick) {
  return std::make_unique<Timer>(*this, std::move(on_tick));
}

void RecordingPort::PostToUiThread(std::function<void()> task) {
  std::lock_guard lock(mutex_);
  tasks_.push_back(std::move(task));
}

int RecordingPort::RunPending() {
  std::deque<std::function<void()>> now;
  {
    std::lock_guard lock(mutex_);
    now.swap(tasks_);
  }
  for (auto& task : now) task();
  return static_cast<int>(now.size());
}

bool RecordingPort::PumpUntil(const std::function<bool()>& done, int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    if (RunPending() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void RecordingPort::TickTimers() {
  std::vector<Timer*> now = timers_;
  for (Timer* timer : now) timer->Tick();
}

std::vector<std::string> RecordingPort::Texts() const {
  std::vector<std::string> out;
  for (const auto& entry : lines) out.push_back(entry.Text());
  return out;
}

}  // namespace zelmo::testing
