#include <QApplication>
#include <QElapsedTimer>
#include <QTextDocument>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "shell/base/display.h"
#include "shell/ui/qt/log_view.h"
#include "shell/ui/qt/main_window.h"
#include "shell/ui/qt/qt_port.h"

// The window's memory under a long run of display lines, offscreen: the
// lines go through the display model into the shown window, a thousand per
// turn of the event loop, with [Display] MaxLines applied as the
// configuration load applies it. Printed: the process's resident size
// (VmRSS) and its peak (VmHWM) before and after, the lines the log still
// holds, and the time taken.
//   zelmo_qt_memory_bench [--lines N] [--max-lines N]

namespace zelmo::bench {
namespace {

constexpr int kLinesPerTurn = 1000;

// A field of /proc/self/status in kB, or -1.
long StatusKb(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string word;
  while (status >> word) {
    if (word == field + ":") {
      long kb = -1;
      status >> kb;
      return kb;
    }
  }
  return -1;
}

std::string LineText(int n) {
  return "PRIVMSG/member" + std::to_string(n % 1000) + " (ident@host" + std::to_string(n % 1000) +
         ".example): a line of ordinary chatter in #room, number " + std::to_string(n);
}

int Run(long lines, int max_lines) {
  MainWindow window;
  QtPort port(window);
  TMessageDisplay display(port);
  display.SetMaxLines(max_lines);
  window.show();
  QCoreApplication::processEvents();
  const long rss_before = StatusKb("VmRSS");
  QElapsedTimer clock;
  clock.start();
  for (long n = 0; n < lines;) {
    for (int k = 0; k < kLinesPerTurn && n < lines; ++k, ++n) {
      display.DisplayLine(LineText(static_cast<int>(n)));
    }
    QCoreApplication::processEvents();
  }
  // Let the last batch close and the view catch up.
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 100) QCoreApplication::processEvents();
  const double seconds = clock.nsecsElapsed() / 1e9;
  std::printf(
      "%ld lines, MaxLines=%d: VmRSS %ld kB before, %ld kB after, VmHWM %ld kB; %d lines kept; "
      "%.1f s\n",
      lines, max_lines, rss_before, StatusKb("VmRSS"), StatusKb("VmHWM"),
      window.Display().document()->blockCount(), seconds);
  return 0;
}

}  // namespace
}  // namespace zelmo::bench

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  long lines = 1000000;
  int max_lines = zelmo::kDefaultDisplayMaxLines;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string option = argv[i];
    if (option == "--lines") lines = std::atol(argv[i + 1]);
    if (option == "--max-lines") max_lines = std::atoi(argv[i + 1]);
  }
  int app_argc = 1;
  QApplication application(app_argc, argv);
  return zelmo::bench::Run(lines, max_lines);
}
