#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "floor_client.h"
#include "report.h"
#include "support/test_certificates.h"
#include "tls_ends.h"
#include "workloads.h"

// End-to-end benchmark: the real bot, headless, against a scripted IRC
// server on loopback, run after run beside a minimal client (the floor).
//   zelmo_e2e_bench --bot PATH [--runs N] [--chatter N] [--pings N] [--joins N]
//                   [--channels N] [--members N] [--users N] [--churn N]
//                   [--network-only 0|1] [--defences 0|1] [--script FILE]
// The last five size the network-sized workload: channels of members each,
// drawn from a pool of users, then joins, parts, quits and nick changes.
// --defences 1 (the default) also plays the classic workloads against the
// bot with every channel defence on. --script gives the bot a Lua script to
// load (its cost per line shows in the chatter's CPU figure).
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
               " [--joins N]\n"
               "       [--channels N] [--members N] [--users N] [--churn N] [--network-only 0|1]\n"
               "       [--defences 0|1] [--script FILE]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // A client that goes away while being flooded must not end the benchmark.
  signal(SIGPIPE, SIG_IGN);
  std::vector<std::string> args(argv + 1, argv + argc);
  if ((args.size() == 2 || (args.size() == 3 && args[2] == "--tls")) &&
      args[0] == "--floor-client") {
    return zelmo::bench::RunFloorClient(std::stoi(args[1]), args.size() == 3);
  }
  std::string bot_path;
  int runs = 3;
  WorkloadSizes sizes;
  bool defences = true;
  std::string script;
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
      } else if (arg == "--channels") {
        sizes.network_channels = std::stoi(value);
      } else if (arg == "--members") {
        sizes.network_members = std::stoi(value);
      } else if (arg == "--users") {
        sizes.network_users = std::stoi(value);
      } else if (arg == "--churn") {
        sizes.churn = std::stoi(value);
      } else if (arg == "--script") {
        std::ifstream file(value);
        std::stringstream text;
        text << file.rdbuf();
        script = text.str();
        if (script.empty()) return Usage();
      } else if (arg == "--network-only") {
        sizes.network_only = value == "1";
      } else if (arg == "--defences") {
        defences = value == "1";
      } else {
        return Usage();
      }
    }
  } catch (const std::exception&) {
    return Usage();
  }
  if (bot_path.empty() || runs < 1 || sizes.pings < 1 || sizes.network_channels < 1 ||
      sizes.network_users < 1) {
    return Usage();
  }

  const Subject bot{"bot", {bot_path, "--headless", "--data-dir", "{data}"}, "connect", "", true,
                    script};
  const Subject floor{"floor", {SelfPath(), "--floor-client", "{port}"}, "", "", true, ""};
  const std::string chatter = zelmo::bench::ChatterBlock(sizes.chatter_lines, sizes.members);

  // The same again over TLS: a certificate for 127.0.0.1 from a CA of the
  // run's own, which the bot verifies.
  zelmo::testing::TestCertificates certificates;
  const auto issued = certificates.Issue("bench", "IP:127.0.0.1");
  const zelmo::bench::TlsServerEnd tls(issued.cert, issued.key);
  Subject tls_bot = bot;
  tls_bot.name = "bot over TLS";
  tls_bot.config_keys = "TLS=1\nTLSCAFile=" + certificates.CaFile() + "\n";
  // Every defence on, measured on chatter that is no flood: its lines come
  // from so many members that none says more than FloodLines in the run, so
  // the figures are the counting's cost per line, not the warnings and kicks
  // that a real flood calls for. The plain bot plays the same chatter.
  constexpr int kFloodLines = 100;
  WorkloadSizes calm_sizes = sizes;
  calm_sizes.members =
      std::max(sizes.members, (sizes.chatter_lines + kFloodLines - 1) / kFloodLines);
  const std::string calm_chatter =
      zelmo::bench::ChatterBlock(sizes.chatter_lines, calm_sizes.members);
  Subject calm_bot = bot;
  calm_bot.name = "bot, calm chatter";
  calm_bot.network = false;
  Subject defended_bot = calm_bot;
  defended_bot.name = "bot, defences on";
  defended_bot.config_keys = "[Protect]\nFloodLines=" + std::to_string(kFloodLines) +
                             "\nFloodSeconds=1\nRepeats=3\nHighlights=5\nJoinFlood=100\n"
                             "CycleJoins=3\nNickFlood=3\nKickOnCtcp=1\n";
  Subject tls_floor = floor;
  tls_floor.name = "floor over TLS";
  tls_floor.argv.push_back("--tls");

  std::vector<RunFigures> bot_runs, floor_runs, tls_bot_runs, tls_floor_runs, calm_runs,
      defended_runs;
  bool complete = true;
  auto play_with = [&](const Subject& subject, const WorkloadSizes& with_sizes,
                       const std::string& with_chatter, const zelmo::bench::TlsServerEnd* end,
                       int run, std::vector<RunFigures>& into) {
    into.push_back(zelmo::bench::RunWorkloads(subject, with_sizes, with_chatter, end));
    std::cout << zelmo::bench::RunLine(subject.name, run, into.back()) << std::endl;
    complete = complete && into.back().problems.empty();
  };
  auto play = [&](const Subject& subject, const zelmo::bench::TlsServerEnd* end, int run,
                  std::vector<RunFigures>& into) {
    play_with(subject, sizes, chatter, end, run, into);
  };
  for (int run = 1; run <= runs; ++run) {
    play(bot, nullptr, run, bot_runs);
    play(floor, nullptr, run, floor_runs);
    if (sizes.network_only) continue;
    if (defences) {
      play_with(calm_bot, calm_sizes, calm_chatter, nullptr, run, calm_runs);
      play_with(defended_bot, calm_sizes, calm_chatter, nullptr, run, defended_runs);
    }
    play(tls_bot, &tls, run, tls_bot_runs);
    play(tls_floor, &tls, run, tls_floor_runs);
  }
  std::cout << "\n" << zelmo::bench::ReportTable(bot_runs, floor_runs);
  if (sizes.network_only) return complete ? 0 : 1;
  if (defences) {
    std::cout << "\nEvery channel defence on, chatter of " << calm_sizes.members
              << " members (the plain bot on the same chatter, same sitting)\n"
              << zelmo::bench::DefenceReportTable(calm_runs, defended_runs);
  }
  std::cout << "\nOver TLS (bot verifying the certificate, floor over TLS too)\n"
            << zelmo::bench::TlsReportTable(bot_runs, tls_bot_runs, tls_floor_runs);
  return complete ? 0 : 1;
}
