#include "workloads.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <thread>

#include "child_process.h"
#include "data_folder.h"
#include "scripted_server.h"

namespace zelmo::bench {

namespace {

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

struct Failed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

Clock::time_point In(Clock::duration limit) {
  return Clock::now() + limit;
}

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

std::string NamesLines(const std::string& nick, int members) {
  std::string lines;
  std::string names = nick;
  for (int n = 0; n < members; ++n) {
    // Every tenth member an operator, every fifth a voiced one.
    const char* mark = n % 10 == 0 ? "@" : (n % 5 == 0 ? "+" : "");
    if (!names.empty()) names += " ";
    names += std::string(mark) + "user" + std::to_string(n);
    if (names.size() > 400 || n + 1 == members) {
      lines += ":" + std::string(kServerName) + " 353 " + nick + " = " + kChannel + " :" + names +
               "\r\n";
      names.clear();
    }
  }
  if (!names.empty()) {
    lines +=
        ":" + std::string(kServerName) + " 353 " + nick + " = " + kChannel + " :" + names + "\r\n";
  }
  lines += ":" + std::string(kServerName) + " 366 " + nick + " " + kChannel +
           " :End of /NAMES list.\r\n";
  return lines;
}

std::string JoinStormBlock(int joins) {
  std::string block;
  for (int n = 0; n < joins; ++n) {
    block += ":" + JoinerNick(n) + "!" + JoinerAddress(n) + " JOIN " + kChannel + "\r\n";
  }
  return block;
}

// One client under test against the benchmark's server.
class Session {
 public:
  Session(const Subject& subject, const WorkloadSizes& sizes) : sizes_(sizes) {
    folder_.Write("Config.ini", BenchConfig(server_.Port()));
    folder_.Write("Users.ini", BenchUsers(sizes.known_users, kChannel));
    std::vector<std::string> argv;
    for (const std::string& arg : subject.argv) {
      argv.push_back(Replace(Replace(arg, "{port}", std::to_string(server_.Port())), "{data}",
                             folder_.Path()));
    }
    child_ = std::make_unique<ChildProcess>(argv);
    if (!subject.first_input.empty()) child_->WriteLine(subject.first_input);
  }
  ~Session() { child_->Stop(); }

  // Accepts the client, reads its NICK and USER, welcomes it, puts it into
  // the channel with its members and waits until it has handled all that.
  void Register() {
    if (!server_.Accept(In(kStartLimit))) throw Failed("the client did not connect");
    auto nick = server_.WaitFor([](std::string_view line) { return line.starts_with("NICK "); },
                                In(kStartLimit));
    if (!nick) throw Failed("no NICK line");
    nick_ = nick->text.substr(5);
    if (!nick_.empty() && nick_[0] == ':') nick_.erase(0, 1);
    if (!server_.WaitFor([](std::string_view line) { return line.starts_with("USER "); },
                         In(kStartLimit))) {
      throw Failed("no USER line");
    }
    Send(":" + std::string(kServerName) + " 001 " + nick_ + " :Welcome to the bench network " +
             nick_ + "\r\n",
         kStartLimit);
    Send(":" + nick_ + "!" + nick_ + "@127.0.0.1 JOIN " + kChannel + "\r\n", kStartLimit);
    Send(NamesLines(nick_, sizes_.members), kStartLimit);
    Ping(kSyncLimit, "registration");
  }

  double CpuSeconds() {
    auto seconds = ReadCpuSeconds(child_->Pid());
    if (!seconds) throw Failed("cannot read the client's CPU time");
    return *seconds;
  }

  MemoryFigures Memory() {
    std::this_thread::sleep_for(kSettle);
    auto figures = ReadMemory(child_->Pid());
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
    std::size_t before = server_.LinesReceived();
    Clock::time_point start = Clock::now();
    Send(block, kJoinStormLimit);
    Clock::time_point answered = Ping(kJoinStormLimit, "join storm");
    answers = server_.LinesReceived() - before - 1;
    return std::chrono::duration<double>(answered - start).count();
  }

 private:
  void Send(const std::string& bytes, Clock::duration limit) {
    if (!server_.Send(bytes, In(limit))) throw Failed("the client stopped reading");
  }

  // A CTCP PING to the client; the time its answer arrived.
  Clock::time_point Ping(Clock::duration limit, const std::string& what) {
    std::string token = std::to_string(++pings_sent_) + "-" + what.substr(0, 4);
    Send(":pinger!ping@pinger.bench.example PRIVMSG " + nick_ + " :\001PING " + token + "\001\r\n",
         limit);
    std::string answer = "\001PING " + token + "\001";
    auto line = server_.WaitFor(
        [&answer](std::string_view text) {
          return text.starts_with("NOTICE ") && text.find(answer) != text.npos;
        },
        In(limit));
    if (!line) throw Failed("no PING answer (" + what + ")");
    return line->arrived;
  }

  WorkloadSizes sizes_;
  ScriptedServer server_;
  DataFolder folder_;
  std::unique_ptr<ChildProcess> child_;
  std::string nick_;
  int pings_sent_ = 0;
};

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
                        const std::string& chatter) {
  RunFigures figures;
  try {
    Session session(subject, sizes);
    session.Register();
    MemoryFigures idle = session.Memory();
    figures.rss_idle_kb = idle.rss_kb;
    figures.hwm_idle_kb = idle.hwm_kb;

    double cpu_before = session.CpuSeconds();
    figures.chatter_lines_per_second = session.Chatter(chatter);
    figures.chatter_cpu_us_per_line =
        (session.CpuSeconds() - cpu_before) * 1e6 / (sizes.chatter_lines + 1);
    MemoryFigures after = session.Memory();
    figures.rss_chatter_kb = after.rss_kb;
    figures.hwm_chatter_kb = after.hwm_kb;
    session.Chatter(chatter);
    figures.rss_growth_kb = session.Memory().rss_kb - after.rss_kb;

    std::vector<double> latencies = session.Latencies();
    figures.ping_p50_us = Percentile(latencies, 0.50);
    figures.ping_p90_us = Percentile(latencies, 0.90);
    figures.ping_p99_us = Percentile(latencies, 0.99);

    cpu_before = session.CpuSeconds();
    figures.join_storm_seconds =
        session.JoinStorm(JoinStormBlock(sizes.joins), figures.join_storm_answers);
    figures.join_cpu_us_per_join = (session.CpuSeconds() - cpu_before) * 1e6 / sizes.joins;
  } catch (const std::exception& error) {
    figures.problems.push_back(subject.name + ": " + error.what());
  }
  return figures;
}

}  // namespace zelmo::bench
