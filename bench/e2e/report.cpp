#include "report.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace zelmo::bench {

namespace {

using Figure = std::function<std::optional<double>(const RunFigures&)>;

struct Row {
  const char* workload;
  const char* unit;
  Figure figure;
  // The bot's median must be at most (or at least) this; none for figures
  // without a target.
  std::optional<double> target;
  bool at_least = false;
  int decimals = 0;
};

std::string Format(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string SpreadText(const std::optional<Spread>& spread, int decimals) {
  if (!spread) return "timeout";
  return Format(spread->median, decimals) + " (" + Format(spread->min, decimals) + "-" +
         Format(spread->max, decimals) + ")";
}

std::vector<std::optional<double>> Collect(const std::vector<RunFigures>& runs,
                                           const Figure& figure) {
  std::vector<std::optional<double>> values;
  for (const RunFigures& run : runs) values.push_back(figure(run));
  return values;
}

std::string Padded(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

// The table of the rows: each with the bot's median (min-max), the floor's,
// their ratio, the target and whether the bot's median meets it.
std::string Table(const std::vector<Row>& rows, const std::vector<RunFigures>& bot,
                  const std::vector<RunFigures>& floor, const std::string& bot_name = "bot",
                  const std::string& floor_name = "floor");

}  // namespace

std::optional<Spread> SpreadOf(const std::vector<std::optional<double>>& values) {
  std::vector<double> present;
  for (const auto& value : values) {
    if (value) present.push_back(*value);
  }
  if (present.empty()) return std::nullopt;
  std::sort(present.begin(), present.end());
  std::size_t n = present.size();
  double median = n % 2 == 1 ? present[n / 2] : (present[n / 2 - 1] + present[n / 2]) / 2;
  return Spread{median, present.front(), present.back(), static_cast<int>(n)};
}

std::string ReportTable(const std::vector<RunFigures>& bot, const std::vector<RunFigures>& floor) {
  const std::vector<Row> rows = {
      {"chatter", "lines/s", [](const RunFigures& r) { return r.chatter_lines_per_second; }, 100000,
       true, 0},
      {"CTCP PING p50", "us", [](const RunFigures& r) { return r.ping_p50_us; }, 60, false, 1},
      {"CTCP PING p90", "us", [](const RunFigures& r) { return r.ping_p90_us; }, {}, false, 1},
      {"CTCP PING p99", "us", [](const RunFigures& r) { return r.ping_p99_us; }, 250, false, 1},
      {"join storm", "s", [](const RunFigures& r) { return r.join_storm_seconds; }, 0.1, false, 4},
      {"chatter CPU per line",
       "us",
       [](const RunFigures& r) { return r.chatter_cpu_us_per_line; },
       {},
       false,
       2},
      {"join storm CPU per join",
       "us",
       [](const RunFigures& r) { return r.join_cpu_us_per_join; },
       {},
       false,
       1},
      {"VmRSS idle", "kB", [](const RunFigures& r) { return r.rss_idle_kb; }, 5 * 1024, false, 0},
      {"VmHWM idle", "kB", [](const RunFigures& r) { return r.hwm_idle_kb; }, {}, false, 0},
      {"VmRSS after chatter", "kB", [](const RunFigures& r) { return r.rss_chatter_kb; }, 6 * 1024,
       false, 0},
      {"VmHWM after chatter",
       "kB",
       [](const RunFigures& r) { return r.hwm_chatter_kb; },
       {},
       false,
       0},
      {"VmRSS growth, 2nd chatter",
       "kB",
       [](const RunFigures& r) { return r.rss_growth_kb; },
       {},
       false,
       0},
      {"network NAMES", "s", [](const RunFigures& r) { return r.network_names_seconds; }, 0.5,
       false, 3},
      {"VmRSS after network NAMES", "kB",
       [](const RunFigures& r) { return r.rss_network_names_kb; }, 48 * 1000, false, 0},
      {"network churn", "s", [](const RunFigures& r) { return r.network_churn_seconds; }, 0.5,
       false, 3},
      {"VmRSS after network churn", "kB",
       [](const RunFigures& r) { return r.rss_network_churn_kb; }, 48 * 1000, false, 0},
  };
  return Table(rows, bot, floor);
}

namespace {

std::string Table(const std::vector<Row>& rows, const std::vector<RunFigures>& bot,
                  const std::vector<RunFigures>& floor, const std::string& bot_name,
                  const std::string& floor_name) {
  const std::size_t widths[] = {28, 30, 30, 8, 12, 5};
  std::string out;
  auto add_row = [&](const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) out += Padded(cells[i], widths[i]) + " ";
    out += "\n";
  };
  add_row({"workload", bot_name + " median (min-max)", floor_name + " median (min-max)", "ratio",
           "target", "met?"});
  for (const Row& row : rows) {
    auto mine = SpreadOf(Collect(bot, row.figure));
    auto base = SpreadOf(Collect(floor, row.figure));
    std::string ratio = "-";
    if (mine && base && base->median != 0) ratio = Format(mine->median / base->median, 2);
    std::string target = "-";
    std::string met = "-";
    if (row.target) {
      target = std::string(row.at_least ? ">= " : "<= ") + Format(*row.target, row.decimals);
      met = mine && (row.at_least ? mine->median >= *row.target : mine->median <= *row.target)
                ? "yes"
                : "NO";
    }
    add_row({std::string(row.workload) + " [" + row.unit + "]", SpreadText(mine, row.decimals),
             SpreadText(base, row.decimals), ratio, target, met});
  }
  return out;
}

}  // namespace

std::string TlsReportTable(const std::vector<RunFigures>& plain_bot,
                           const std::vector<RunFigures>& tls_bot,
                           const std::vector<RunFigures>& tls_floor) {
  const Figure p50 = [](const RunFigures& f) { return f.ping_p50_us; };
  auto plain_p50 = SpreadOf(Collect(plain_bot, p50));
  // The p50 may be this many times the plain one.
  constexpr double kPingFactor = 1.5;
  // What OpenSSL itself takes shows in the floor client over TLS; the bot
  // may hold this much more.
  constexpr double kRssAboveFloorKb = 2048.0;
  const Figure rss_idle = [](const RunFigures& f) { return f.rss_idle_kb; };
  auto floor_rss = SpreadOf(Collect(tls_floor, rss_idle));
  const std::vector<Row> rows = {
      {"chatter", "lines/s", [](const RunFigures& f) { return f.chatter_lines_per_second; },
       200000.0, true, 0},
      {"CTCP PING p50", "us", p50,
       plain_p50 ? std::optional<double>(plain_p50->median * kPingFactor) : std::nullopt, false, 1},
      {"CTCP PING p99", "us", [](const RunFigures& f) { return f.ping_p99_us; }, std::nullopt,
       false, 1},
      {"CPU per chatter line", "us", [](const RunFigures& f) { return f.chatter_cpu_us_per_line; },
       std::nullopt, false, 2},
      {"VmRSS idle", "kB", rss_idle,
       floor_rss ? std::optional<double>(floor_rss->median + kRssAboveFloorKb) : std::nullopt,
       false, 0},
      {"VmRSS after chatter", "kB", [](const RunFigures& f) { return f.rss_chatter_kb; },
       std::nullopt, false, 0},
  };
  return Table(rows, tls_bot, tls_floor) + "CTCP PING p50 target: " + Format(kPingFactor, 1) +
         " times the plain p50 of " + SpreadText(plain_p50, 1) +
         " us; VmRSS idle target: " + Format(kRssAboveFloorKb, 0) + " kB above the floor's\n";
}

std::string DefenceReportTable(const std::vector<RunFigures>& bot,
                               const std::vector<RunFigures>& defended) {
  // The defended chatter may lose this share of the plain one's lines.
  constexpr double kLoss = 0.10;
  const Figure rate = [](const RunFigures& f) { return f.chatter_lines_per_second; };
  const Figure cpu = [](const RunFigures& f) { return f.chatter_cpu_us_per_line; };
  const auto plain_rate = SpreadOf(Collect(bot, rate));
  const auto plain_cpu = SpreadOf(Collect(bot, cpu));
  const std::vector<Row> rows = {
      {"chatter", "lines/s", rate,
       plain_rate ? std::optional<double>(plain_rate->median * (1 - kLoss)) : std::nullopt, true,
       0},
      {"chatter CPU per line", "us", cpu,
       plain_cpu ? std::optional<double>(plain_cpu->median * (1 + kLoss)) : std::nullopt, false, 2},
      {"CTCP PING p50", "us", [](const RunFigures& f) { return f.ping_p50_us; }, std::nullopt,
       false, 1},
      {"join storm", "s", [](const RunFigures& f) { return f.join_storm_seconds; }, std::nullopt,
       false, 4},
      {"VmRSS after chatter", "kB", [](const RunFigures& f) { return f.rss_chatter_kb; },
       std::nullopt, false, 0},
  };
  return Table(rows, defended, bot, "defended", "plain");
}

std::string RunLine(const std::string& name, int run, const RunFigures& f) {
  auto show = [](const std::optional<double>& value, int decimals) {
    return value ? Format(*value, decimals) : std::string("timeout");
  };
  std::string line =
      name + " run " + std::to_string(run) + ": chatter " + show(f.chatter_lines_per_second, 0) +
      " lines/s, ping p50/p90/p99 " + show(f.ping_p50_us, 1) + "/" + show(f.ping_p90_us, 1) + "/" +
      show(f.ping_p99_us, 1) + " us, join storm " + show(f.join_storm_seconds, 4) + " s (" +
      std::to_string(f.join_storm_answers) + " lines back), RSS idle " + show(f.rss_idle_kb, 0) +
      " kB, after chatter " + show(f.rss_chatter_kb, 0) + " kB (HWM " + show(f.hwm_chatter_kb, 0) +
      "), growth " + show(f.rss_growth_kb, 0) + " kB, network NAMES " +
      show(f.network_names_seconds, 3) + " s (RSS " + show(f.rss_network_names_kb, 0) +
      " kB), churn " + show(f.network_churn_seconds, 3) + " s (RSS " +
      show(f.rss_network_churn_kb, 0) + " kB)";
  for (const std::string& problem : f.problems) line += "\n  problem: " + problem;
  return line;
}

}  // namespace zelmo::bench
