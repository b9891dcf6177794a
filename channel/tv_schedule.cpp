#include "channel/tv_schedule.h"

#include <algorithm>

namespace zelmo {

void TvSchedule::Add(const std::string& channel, std::int64_t start,
                     std::optional<std::int64_t> stop, std::string title) {
  channels_[channel].push_back(TvProgramme{start, stop.value_or(kOpenEnd), std::move(title)});
}

void TvSchedule::Finish() {
  for (auto& [id, programmes] : channels_) {
    std::ranges::stable_sort(programmes, {}, &TvProgramme::start);
    std::int64_t later_start = kOpenEnd;
    for (auto programme = programmes.rbegin(); programme != programmes.rend(); ++programme) {
      if (programme->stop == kOpenEnd) programme->stop = later_start;
      if (programme + 1 != programmes.rend() && (programme + 1)->start < programme->start) {
        later_start = programme->start;
      }
    }
  }
}

TvSchedule::NowAndNext TvSchedule::At(std::string_view channel, std::int64_t when) const {
  const auto found = channels_.find(channel);
  if (found == channels_.end()) return {};
  const std::vector<TvProgramme>& programmes = found->second;
  const auto next = std::ranges::upper_bound(programmes, when, {}, &TvProgramme::start);
  NowAndNext result;
  if (next != programmes.end()) result.next = &*next;
  if (next != programmes.begin() && std::prev(next)->stop > when) result.now = &*std::prev(next);
  return result;
}

}  // namespace zelmo
