#pragma once

#include <optional>
#include <string>
#include <vector>

#include "workloads.h"

namespace zelmo::bench {

// Median, minimum and maximum of the runs that gave the figure.
struct Spread {
  double median = 0;
  double min = 0;
  double max = 0;
  int count = 0;
};
std::optional<Spread> SpreadOf(const std::vector<std::optional<double>>& values);

// The table of figures: each workload with the bot's median (min-max), the
// floor's, their ratio, the target and whether the bot's median meets it.
std::string ReportTable(const std::vector<RunFigures>& bot, const std::vector<RunFigures>& floor);

// The figures over TLS: the bot's and the floor's over TLS, the targets
// set against the bot's plain figures of the same sitting.
std::string TlsReportTable(const std::vector<RunFigures>& plain_bot,
                           const std::vector<RunFigures>& tls_bot,
                           const std::vector<RunFigures>& tls_floor);

// The bot with every channel defence on against the bot without: the
// chatter may lose at most a tenth.
std::string DefenceReportTable(const std::vector<RunFigures>& bot,
                               const std::vector<RunFigures>& defended);

// One line per run with every figure, for the record.
std::string RunLine(const std::string& name, int run, const RunFigures& figures);

}  // namespace zelmo::bench
