#include <signal.h>
#include <unistd.h>

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
//                   [--network-only 0|1] [--script FILE]
// The last five size the network-sized workload: channels of members each,
// drawn from a pool of users, then joins, parts, quits and nick changes.
// --script gives the bot a Lua script to load (its cost per line shows in
// the chatter's CPU figure).
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
               "       [--script FILE]   (the bot runs the Lua script)\n";
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

  const Subject bot{"bot", {bot_path, "--headless", "--data-dir", "{data}"}, "connect", "", script};
  const Subject floor{"floor", {SelfPath(), "--floor-client", "{port}"}, "", "", ""};
  const std::string chatter = zelmo::bench::ChatterBlock(sizes.chatter_lines, sizes.members);

  // The same again over TLS: a certificate for 127.0.0.1 from a CA of the
  // run's own, which the bot verifies.
  zelmo::testing::TestCertificates certificates;
  const auto issued = certificates.Issue("bench", "IP:127.0.0.1");
  const zelmo::bench::TlsServerEnd tls(issued.cert, issued.key);
  Subject tls_bot = bot;
  tls_bot.name = "bot over TLS";
  tls_bot.config_keys = "TLS=1\nTLSCAFile=" + certificates.CaFile() + "\n";
  Subject tls_floor = floor;
  tls_floor.name = "floor over TLS";
  tls_floor.argv.push_back("--tls");

  std::vector<RunFigures> bot_runs, floor_runs, tls_bot_runs, tls_floor_runs;
  bool complete = true;
  auto play = [&](const Subject& subject, const zelmo::bench::TlsServerEnd* end, int run,
                  std::vector<RunFigures>& into) {
    into.push_back(zelmo::bench::RunWorkloads(subject, sizes, chatter, end));
    std::cout << zelmo::bench::RunLine(subject.name, run, into.back()) << std::endl;
    complete = complete && into.back().problems.empty();
  };
  for (int run = 1; run <= runs; ++run) {
    play(bot, nullptr, run, bot_runs);
    play(floor, nullptr, run, floor_runs);
    if (sizes.network_only) continue;
    play(tls_bot, &tls, run, tls_bot_runs);
    play(tls_floor, &tls, run, tls_floor_runs);
  }
  std::cout << "\n" << zelmo::bench::ReportTable(bot_runs, floor_runs);
  if (sizes.network_only) return complete ? 0 : 1;
  std::cout << "\nOver TLS (bot verifying the certificate, floor over TLS too)\n"
            << zelmo::bench::TlsReportTable(bot_runs, tls_bot_runs, tls_floor_runs);
  return complete ? 0 : 1;
}
