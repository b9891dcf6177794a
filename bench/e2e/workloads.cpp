#include "workloads.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>

#include "bench_users.h"
#include "support/bot_process.h"
#include "support/loopback_server.h"
#include "support/process_probe.h"
#include "support/scripted_irc.h"
#include "support/temp_dir.h"
#include "tls_ends.h"

namespace zelmo::bench {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr const char* kChannel = "#room";
constexpr const char* kServerName = "irc.bench.example";
// How long a client may take for each step before the run gives up on it.
constexpr seconds kStartLimit(10);
constexpr seconds kSyncLimit(30);
constexpr seconds kChatterLimit(120);
constexpr seconds kPingLimit(5);
constexpr seconds kJoinStormLimit(60);
// A pause before reading an idle client's memory, so that it is idle.
constexpr milliseconds kSettle(200);
// How long a client has to end on SIGTERM before SIGKILL.
constexpr milliseconds kStopGrace(3000);

struct Failed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

double Microseconds(Clock::duration span) {
  return std::chrono::duration<double, std::micro>(span).count();
}

std::string Replace(std::string text, const std::string& what, const std::string& with) {
  for (std::size_t at; (at = text.find(what)) != std::string::npos;)
    text.replace(at, what.size(), with);
  return text;
}

// Nearest-rank percentile of sorted samples.
double Percentile(const std::vector<double>& sorted, double fraction) {
  std::size_t rank = static_cast<std::size_t>(std::ceil(fraction * sorted.size()));
  return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

// A member's nick in a NAMES reply: every tenth an operator, every fifth a
// voiced one.
std::string MarkedName(int n, const std::string& nick) {
  return (n % 10 == 0 ? "@" : (n % 5 == 0 ? "+" : "")) + nick;
}

// The NAMES reply for the channel: the client itself and `members` names,
// in lines of about 400 bytes.
std::string NamesLines(const std::string& nick, const std::string& channel, int members,
                       const std::function<std::string(int)>& member_nick) {
  const std::string head = ":" + std::string(kServerName) + " 353 " + nick + " = " + channel + " :";
  std::string lines;
  std::string names = nick;
  for (int n = 0; n < members; ++n) {
    if (!names.empty()) names += " ";
    names += MarkedName(n, member_nick(n));
    if (names.size() > 400) {
      lines += head + names + "\r\n";
      names.clear();
    }
  }
  if (!names.empty()) lines += head + names + "\r\n";
  lines +=
      ":" + std::string(kServerName) + " 366 " + nick + " " + channel + " :End of /NAMES list.\r\n";
  return lines;
}

// The network-sized workload's channel c; the first is the channel the
// user file gives rights in.
std::string NetworkChannel(int c) {
  return c == 0 ? std::string(kChannel) : "#net" + std::to_string(c);
}

std::string NetworkNick(int user) {
  return "net" + std::to_string(user);
}

// Channel c holds the users from c times this onwards: with the default
// sizes, 100, so that each user is in five channels.
int NetworkStride(const WorkloadSizes& sizes) {
  return std::max(1, sizes.network_users / sizes.network_channels);
}

int NetworkUser(const WorkloadSizes& sizes, int channel, int member) {
  return (channel * NetworkStride(sizes) + member) % sizes.network_users;
}

// The client's own JOIN of every channel, each followed by its NAMES.
std::string NetworkNamesBlock(const WorkloadSizes& sizes, const std::string& nick) {
  std::string block;
  for (int c = 0; c < sizes.network_channels; ++c) {
    block += ":" + nick + "!" + nick + "@127.0.0.1 JOIN " + NetworkChannel(c) + "\r\n";
    block += NamesLines(nick, NetworkChannel(c), sizes.network_members,
                        [&](int n) { return NetworkNick(NetworkUser(sizes, c, n)); });
  }
  return block;
}

// Joins of the storm's joiners, parts, quits and nick changes of listed
// users, in turn; each listed user takes part once at most.
std::string ChurnBlock(const WorkloadSizes& sizes) {
  std::string block;
  for (int n = 0; n < sizes.churn; ++n) {
    int k = n / 4;
    int user = n % sizes.network_users;
    std::string prefix = ":" + NetworkNick(user) + "!ident@net" + std::to_string(user) + ".example";
    switch (n % 4) {
      case 0:
        block += ":" + JoinerNick(k) + "!" + JoinerAddress(k) + " JOIN " +
                 NetworkChannel(k % sizes.network_channels) + "\r\n";
        break;
      case 1:
        block += prefix + " PART " +
                 NetworkChannel(user / NetworkStride(sizes) % sizes.network_channels) + " :bye\r\n";
        break;
      case 2:
        block += prefix + " QUIT :gone\r\n";
        break;
      default:
        block += prefix + " NICK :moved" + std::to_string(user) + "\r\n";
    }
  }
  return block;
}

std::string JoinStormBlock(int joins) {
  std::string block;
  for (int n = 0; n < joins; ++n) {
    block += ":" + JoinerNick(n) + "!" + JoinerAddress(n) + " JOIN " + kChannel + "\r\n";
  }
  return block;
}

// The subject's command line with the server's port and the data folder
// filled in; its output is of no interest, and it has a grace time to end.
testing::ProcessOptions SubjectProcess(const Subject& subject, int port, const std::string& data) {
  testing::ProcessOptions options;
  for (const std::string& arg : subject.argv) {
    options.args.push_back(Replace(Replace(arg, "{port}", std::to_string(port)), "{data}", data));
  }
  options.program = options.args.front();
  options.args.erase(options.args.begin());
  options.keep_output = false;
  options.keep_errors = false;
  options.stop_grace = kStopGrace;
  // The system's default trust store, as on a machine where no bundle is
  // named in the environment.
  options.drop_env = {"SSL_CERT_FILE"};
  return options;
}

// One client under test against the benchmark's server.
class Session {
 public:
  Session(const Subject& subject, const WorkloadSizes& sizes, const TlsServerEnd* tls)
      : sizes_(sizes) {
    if (tls != nullptr) server_.SetChannel([tls](int fd) { return tls->Accept(fd); });
    std::string config_keys = subject.config_keys;
    if (!subject.script.empty()) {
      std::filesystem::create_directory(folder_.Path() + "scripts");
      folder_.Write("scripts/bench.lua", subject.script);
      config_keys += "[Scripts]\nFolder=scripts\n";
    }
    folder_.Write("Config.ini", testing::LoopbackConfig(server_.Port(), config_keys));
    folder_.Write("Users.ini", BenchUsers(sizes.known_users, kChannel));
    child_ = std::make_unique<testing::BotProcess>(
        SubjectProcess(subject, server_.Port(), folder_.Path()));
    if (!subject.first_input.empty()) child_->Command(subject.first_input);
  }

  // Accepts the client, takes its NICK and USER, welcomes it, puts it into
  // the channel with its members and waits until it has handled all that.
  void Register() {
    Connect();
    Send(":" + nick_ + "!" + nick_ + "@127.0.0.1 JOIN " + kChannel + "\r\n", kStartLimit);
    Send(NamesLines(nick_, kChannel, sizes_.members,
                    [](int n) { return "user" + std::to_string(n); }),
         kStartLimit);
    Ping(kSyncLimit, "registration");
  }

  // Accepts the client and takes its NICK and USER; it is in no channel.
  void Connect() {
    client_ = server_.Accept(kStartLimit);
    if (!client_) throw Failed("the client did not connect");
    auto nick = testing::RegisterIrcClient(*client_, kServerName, kStartLimit);
    if (!nick) throw Failed("the client did not register (NICK and USER)");
    nick_ = *nick;
  }

  const std::string& Nick() const { return nick_; }

  // Seconds from the first byte of the block to the answer of a PING behind it.
  double Timed(const std::string& block, const std::string& what) {
    Clock::time_point start = Clock::now();
    Send(block, kChatterLimit);
    return std::chrono::duration<double>(Ping(kChatterLimit, what) - start).count();
  }

  double CpuSeconds() {
    auto seconds = testing::CpuSeconds(child_->Pid());
    if (!seconds) throw Failed("cannot read the client's CPU time");
    return *seconds;
  }

  testing::MemoryFigures Memory() {
    std::this_thread::sleep_for(kSettle);
    auto figures = testing::Memory(child_->Pid());
    if (!figures) throw Failed("cannot read the client's memory figures");
    return *figures;
  }

  // Lines per second from the first chatter byte to the PING answer.
  double Chatter(const std::string& block) {
    Clock::time_point start = Clock::now();
    Send(block, kChatterLimit);
    Clock::time_point answered = Ping(kChatterLimit, "chatter");
    double lines = sizes_.chatter_lines + 1.0;
    return lines / std::chrono::duration<double>(answered - start).count();
  }

  // Sorted round-trip times in microseconds.
  std::vector<double> Latencies() {
    std::vector<double> samples;
    for (int n = 0; n < sizes_.pings; ++n) {
      Clock::time_point start = Clock::now();
      samples.push_back(Microseconds(Ping(kPingLimit, "latency") - start));
    }
    std::sort(samples.begin(), samples.end());
    return samples;
  }

  double JoinStorm(const std::string& block, std::size_t& answers) {
    std::size_t before = client_->LinesRead();
    Clock::time_point start = Clock::now();
    Send(block, kJoinStormLimit);
    Clock::time_point answered = Ping(kJoinStormLimit, "join storm");
    answers = client_->LinesRead() - before - 1;
    return std::chrono::duration<double>(answered - start).count();
  }

 private:
  void Send(const std::string& bytes, milliseconds limit) {
    if (!client_->Send(bytes, limit)) throw Failed("the client stopped reading");
  }

  // A CTCP PING to the client; the time its answer arrived.
  Clock::time_point Ping(milliseconds limit, const std::string& what) {
    std::string token = std::to_string(++pings_sent_) + "-" + what.substr(0, 4);
    Send(":pinger!ping@pinger.bench.example PRIVMSG " + nick_ + " :\001PING " + token + "\001\r\n",
         limit);
    std::string answer = "\001PING " + token + "\001";
    auto line = client_->AwaitLine(
        [&answer](const std::string& text) {
          return text.starts_with("NOTICE ") && text.find(answer) != text.npos;
        },
        limit);
    if (!line) throw Failed("no PING answer (" + what + ")");
    return client_->LastLineArrival();
  }

  WorkloadSizes sizes_;
  testing::LoopbackServer server_;
  std::shared_ptr<testing::LoopbackPeer> client_;
  testing::TempDir folder_;
  // Last, so that it goes first: the client is stopped while the server
  // still holds its link and the folder is still there.
  std::unique_ptr<testing::BotProcess> child_;
  std::string nick_;
  int pings_sent_ = 0;
};

// The client in many big channels: the NAMES of all, then the churn.
void NetworkWorkload(const Subject& subject, const WorkloadSizes& sizes, const TlsServerEnd* tls,
                     RunFigures& figures) {
  Session session(subject, sizes, tls);
  session.Connect();
  figures.network_names_seconds = session.Timed(NetworkNamesBlock(sizes, session.Nick()), "names");
  figures.rss_network_names_kb = session.Memory().rss_kib;
  figures.network_churn_seconds = session.Timed(ChurnBlock(sizes), "churn");
  figures.rss_network_churn_kb = session.Memory().rss_kib;
}

void ClassicWorkloads(const Subject& subject, const WorkloadSizes& sizes,
                      const std::string& chatter, const TlsServerEnd* tls, RunFigures& figures) {
  Session session(subject, sizes, tls);
  session.Register();
  testing::MemoryFigures idle = session.Memory();
  figures.rss_idle_kb = idle.rss_kib;
  figures.hwm_idle_kb = idle.hwm_kib;

  double cpu_before = session.CpuSeconds();
  figures.chatter_lines_per_second = session.Chatter(chatter);
  figures.chatter_cpu_us_per_line =
      (session.CpuSeconds() - cpu_before) * 1e6 / (sizes.chatter_lines + 1);
  testing::MemoryFigures after = session.Memory();
  figures.rss_chatter_kb = after.rss_kib;
  figures.hwm_chatter_kb = after.hwm_kib;
  session.Chatter(chatter);
  figures.rss_growth_kb = session.Memory().rss_kib - after.rss_kib;

  std::vector<double> latencies = session.Latencies();
  figures.ping_p50_us = Percentile(latencies, 0.50);
  figures.ping_p90_us = Percentile(latencies, 0.90);
  figures.ping_p99_us = Percentile(latencies, 0.99);

  cpu_before = session.CpuSeconds();
  figures.join_storm_seconds =
      session.JoinStorm(JoinStormBlock(sizes.joins), figures.join_storm_answers);
  figures.join_cpu_us_per_join = (session.CpuSeconds() - cpu_before) * 1e6 / sizes.joins;
}

}  // namespace

std::string ChatterBlock(int lines, int members) {
  std::string block;
  block.reserve(static_cast<std::size_t>(lines) * 100);
  for (int n = 0; n < lines; ++n) {
    std::string user = std::to_string(n % members);
    block += ":user" + user + "!ident" + user + "@chatter" + user + ".bench.example PRIVMSG " +
             kChannel + " :line " + std::to_string(n) + " of the chatter, nothing to do here\r\n";
  }
  return block;
}

RunFigures RunWorkloads(const Subject& subject, const WorkloadSizes& sizes,
                        const std::string& chatter, const TlsServerEnd* tls) {
  RunFigures figures;
  try {
    if (!sizes.network_only) ClassicWorkloads(subject, sizes, chatter, tls, figures);
    // Over TLS the network workload would measure the same handling again.
    if (tls == nullptr && subject.network) NetworkWorkload(subject, sizes, tls, figures);
  } catch (const std::exception& error) {
    figures.problems.push_back(subject.name + ": " + error.what());
  }
  return figures;
}

}  // namespace zelmo::bench
