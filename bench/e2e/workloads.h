#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zelmo::bench {

struct WorkloadSizes {
  int members = 1000;
  int chatter_lines = 200000;
  int pings = 300;
  int joins = 5000;
  int known_users = 1000;
  // The network-sized workload: channels of `network_members` members each,
  // drawn from `network_users` users, then `churn` joins, parts, quits and
  // nick changes spread over them.
  int network_channels = 200;
  int network_members = 500;
  int network_users = 20000;
  int churn = 20000;
  // Only the network-sized workload, for profiling it.
  bool network_only = false;
};

// What one client under test is: the bot, or the floor client.
struct Subject {
  std::string name;
  // The command line; "{port}" and "{data}" are replaced by the server's
  // port and the data folder.
  std::vector<std::string> argv;
  // Written to the client's standard input once it runs ("connect").
  std::string first_input;
  // Lines added to the [Me] section of the bot's Config.ini (sections of
  // their own may follow).
  std::string config_keys;
  // Whether the network-sized workload is played too.
  bool network = true;
  // A Lua script's text, loaded from [Scripts] Folder=scripts; none when
  // empty.
  std::string script;
};

class TlsServerEnd;

// The figures of one run; a figure is missing when its workload failed or
// timed out, and `problems` says why.
struct RunFigures {
  std::optional<double> chatter_lines_per_second;
  std::optional<double> ping_p50_us, ping_p90_us, ping_p99_us;
  std::optional<double> join_storm_seconds;
  // CPU time the client spent per chatter line and per join, all threads.
  std::optional<double> chatter_cpu_us_per_line, join_cpu_us_per_join;
  std::optional<double> rss_idle_kb, hwm_idle_kb;
  std::optional<double> rss_chatter_kb, hwm_chatter_kb;
  // VmRSS after a second chatter of the same size, less VmRSS after the first.
  std::optional<double> rss_growth_kb;
  std::size_t join_storm_answers = 0;
  // The network-sized workload: seconds until the NAMES of every channel and
  // then the churn were handled, and VmRSS after each.
  std::optional<double> network_names_seconds, network_churn_seconds;
  std::optional<double> rss_network_names_kb, rss_network_churn_kb;
  std::vector<std::string> problems;
};

// The chatter lines, built once and played against every subject.
std::string ChatterBlock(int lines, int members);

// Starts the subject against a scripted server of its own (speaking TLS
// when given its end), plays every workload in turn and stops the subject
// by its PID.
RunFigures RunWorkloads(const Subject& subject, const WorkloadSizes& sizes,
                        const std::string& chatter, const TlsServerEnd* tls = nullptr);

}  // namespace zelmo::bench
