#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "shell/base/display.h"
#include "shell/base/ui_call_gate.h"
#include "shell/ui/qt/log_view.h"
#include "shell/ui/qt/main_window.h"
#include "shell/ui/qt/qt_port.h"

// The window under a burst of display lines, offscreen: 5,000 lines arrive
// one hand-over at a time from a worker thread, as the IRC reader delivers
// them, or all at once from one callback. Measured: the time until every
// line is in the log and the log has been painted, and the longest time the
// event loop went without turning (what the operator would feel).
//   zelmo_qt_bench [--lines N] [--runs N]

namespace zelmo::bench {
namespace {

constexpr int kTimeLimitMs = 30000;

// Counts the paints of a widget.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// Ticks as often as the event loop lets it and keeps the longest gap.
class StallMeter {
 public:
  StallMeter() {
    timer_.setInterval(1);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
  }
  void Start() {
    longest_ms_ = 0;
    clock_.start();
    timer_.start();
  }
  double Stop() {
    Tick();
    timer_.stop();
    return longest_ms_;
  }

 private:
  void Tick() {
    longest_ms_ = std::max(longest_ms_, clock_.nsecsElapsed() / 1e6);
    clock_.restart();
  }
  QTimer timer_;
  QElapsedTimer clock_;
  double longest_ms_ = 0;
};

struct Figures {
  double total_ms = -1;  // negative: not done within the limit
  double longest_stall_ms = 0;
  int paints = 0;
};

// Runs the event loop, sleeping while it has nothing to do, until done()
// holds or the time limit is reached.
bool RunUntil(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  QTimer wake;
  wake.start(10);
  while (!done()) {
    if (clock.elapsed() > kTimeLimitMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  return true;
}

class Bench {
 public:
  Bench() : paints_(window_.Display().viewport()) {
    window_.show();
    RunUntil([this] { return paints_.paints > 0; });
  }

  // Every line handed over from a worker, each waited for, like IRC lines.
  Figures HandedOver(int lines) {
    return Measure(lines, [this, lines](const std::function<void()>& started, int& paints_at_end) {
      UiCallGate gate(
          [this](std::function<void()> task) { port_.PostToUiThread(std::move(task)); });
      bool finished = false;
      std::thread worker([&] {
        for (int n = 0; n < lines; ++n) {
          bool called = gate.Call([this, n, lines, &paints_at_end] {
            display_.DisplayLine(LineText(n));
            if (n + 1 == lines) paints_at_end = paints_.paints;
          });
          if (!called) break;
        }
        QMetaObject::invokeMethod(
            &window_, [&finished] { finished = true; }, Qt::QueuedConnection);
      });
      started();
      bool done = RunUntil([&] { return finished; });
      if (!done) gate.Cancel();
      worker.join();
      return done;
    });
  }

  // Every line appended within one callback of the event loop.
  Figures InOneTurn(int lines) {
    return Measure(lines, [this, lines](const std::function<void()>& started, int& paints_at_end) {
      started();
      for (int n = 0; n < lines; ++n) display_.DisplayLine(LineText(n));
      paints_at_end = paints_.paints;
      return true;
    });
  }

 private:
  static std::string LineText(int n) {
    return "joiner" + std::to_string(n) + " (ident" + std::to_string(n) + "@host" +
           std::to_string(n) + ".example) joined #room";
  }

  // Runs the burst and then the event loop until the log holds every line
  // and has been painted with them.
  Figures Measure(int lines, const std::function<bool(const std::function<void()>&, int&)>& burst) {
    Figures figures;
    const LogView& log = window_.Display();
    const int blocks_before = log.LineCount();
    StallMeter stalls;
    QElapsedTimer clock;
    auto started = [&] {
      stalls.Start();
      clock.start();
    };
    const int paints_before = paints_.paints;
    // The paints seen when the last line had gone in.
    int paints_at_end = 0;
    if (!burst([&] { started(); }, paints_at_end)) {
      stalls.Stop();
      return figures;
    }
    const QScrollBar* bar = window_.Display().verticalScrollBar();
    bool shown = RunUntil([&] {
      return log.LineCount() >= blocks_before + lines && bar->value() == bar->maximum() &&
             paints_.paints > paints_at_end;
    });
    if (shown) figures.total_ms = clock.nsecsElapsed() / 1e6;
    figures.paints = paints_.paints - paints_before;
    figures.longest_stall_ms = stalls.Stop();
    return figures;
  }

  MainWindow window_;
  QtPort port_{window_};
  TMessageDisplay display_{port_};
  PaintCounter paints_;
};

void Print(const char* name, int run, const Figures& figures) {
  if (figures.total_ms < 0) {
    std::printf("%s run %d: timeout\n", name, run);
  } else {
    std::printf("%s run %d: %.1f ms until shown, longest event-loop stall %.1f ms, %d paints\n",
                name, run, figures.total_ms, figures.longest_stall_ms, figures.paints);
  }
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace
}  // namespace zelmo::bench

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int lines = 5000;
  int runs = 3;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string option = argv[i];
    if (option == "--lines") lines = std::atoi(argv[i + 1]);
    if (option == "--runs") runs = std::atoi(argv[i + 1]);
  }
  int app_argc = 1;
  QApplication application(app_argc, argv);
  std::vector<double> handed, one_turn, handed_stall, one_turn_stall;
  bool complete = true;
  for (int run = 1; run <= runs; ++run) {
    // A fresh window each run, so every burst starts on an empty log; then
    // a second burst on a log that already holds one.
    zelmo::bench::Bench bench;
    auto first = bench.HandedOver(lines);
    zelmo::bench::Print("handed over, empty log", run, first);
    auto second = bench.InOneTurn(lines);
    zelmo::bench::Print("one turn, full log    ", run, second);
    complete = complete && first.total_ms >= 0 && second.total_ms >= 0;
    handed.push_back(first.total_ms);
    handed_stall.push_back(first.longest_stall_ms);
    one_turn.push_back(second.total_ms);
    one_turn_stall.push_back(second.longest_stall_ms);
  }
  using zelmo::bench::Median;
  std::printf(
      "\n%d lines: handed over %.1f ms (stall %.1f ms), in one turn %.1f ms (stall %.1f ms);"
      " target <= 500 ms\n",
      lines, Median(handed), Median(handed_stall), Median(one_turn), Median(one_turn_stall));
  return complete ? 0 : 1;
}
