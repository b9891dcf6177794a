#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelmo {

struct TvProgramme {
  std::int64_t start = 0;  // seconds since the epoch
  std::int64_t stop = 0;
  std::string title;
};

// The programmes of a TV listing by channel id, each channel's in order of
// their start.
class TvSchedule {
 public:
  // A programme without a stop lasts until the next one of its channel
  // starts (for ever when none does).
  void Add(const std::string& channel, std::int64_t start, std::optional<std::int64_t> stop,
           std::string title);
  // Puts each channel's programmes in order and gives the ones without a
  // stop theirs; once all are added.
  void Finish();

  struct NowAndNext {
    const TvProgramme* now = nullptr;   // started at or before the time, stops after it
    const TvProgramme* next = nullptr;  // the first to start after the time
  };
  NowAndNext At(std::string_view channel, std::int64_t when) const;

 private:
  static constexpr std::int64_t kOpenEnd = std::numeric_limits<std::int64_t>::max();
  std::map<std::string, std::vector<TvProgramme>, std::less<>> channels_;
};

}  // namespace zelmo
