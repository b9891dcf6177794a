#include <signal.h>
#include <unistd.h>

#include <climits>
#include <iostream>
#include <string>
#include <vector>

#include "floor_client.h"
#include "report.h"
#include "workloads.h"

// End-to-end benchmark: the real bot, headless, against a scripted IRC
// server on loopback, run after run beside a minimal client (the floor).
//   zelmo_e2e_bench --bot PATH [--runs N] [--chatter N] [--pings N] [--joins N]
//   zelmo_e2e_bench --floor-client PORT     (the floor itself; started by the above)

namespace {

using zelmo::bench::RunFigures;
using zelmo::bench::Subject;
using zelmo::bench::WorkloadSizes;

std::string SelfPath() {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

int Usage() {
  std::cerr << "usage: zelmo_e2e_bench --bot PATH [--runs N] [--chatter N] [--pings N]"
               " [--joins N]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // A client that goes away while being flooded must not end the benchmark.
  signal(SIGPIPE, SIG_IGN);
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "--floor-client") {
    return zelmo::bench::RunFloorClient(std::stoi(args[1]));
  }
  std::string bot_path;
  int runs = 3;
  WorkloadSizes sizes;
  try {
    for (std::size_t i = 0; i < args.size(); ++i) {
      const std::string& arg = args[i];
      if (i + 1 >= args.size()) return Usage();
      const std::string& value = args[++i];
      if (arg == "--bot") {
        bot_path = value;
      } else if (arg == "--runs") {
        runs = std::stoi(value);
      } else if (arg == "--chatter") {
        sizes.chatter_lines = std::stoi(value);
      } else if (arg == "--pings") {
        sizes.pings = std::stoi(value);
      } else if (arg == "--joins") {
        sizes.joins = std::stoi(value);
      } else {
        return Usage();
      }
    }
  } catch (const std::exception&) {
    return Usage();
  }
  if (bot_path.empty() || runs < 1 || sizes.pings < 1) return Usage();

  const Subject bot{"bot", {bot_path, "--headless", "--data-dir", "{data}"}, "connect"};
  const Subject floor{"floor", {SelfPath(), "--floor-client", "{port}"}, ""};
  const std::string chatter = zelmo::bench::ChatterBlock(sizes.chatter_lines, sizes.members);

  std::vector<RunFigures> bot_runs, floor_runs;
  bool complete = true;
  for (int run = 1; run <= runs; ++run) {
    bot_runs.push_back(zelmo::bench::RunWorkloads(bot, sizes, chatter));
    std::cout << zelmo::bench::RunLine("bot", run, bot_runs.back()) << std::endl;
    floor_runs.push_back(zelmo::bench::RunWorkloads(floor, sizes, chatter));
    std::cout << zelmo::bench::RunLine("floor", run, floor_runs.back()) << std::endl;
    complete = complete && bot_runs.back().problems.empty() && floor_runs.back().problems.empty();
  }
  std::cout << "\n" << zelmo::bench::ReportTable(bot_runs, floor_runs);
  return complete ? 0 : 1;
}
