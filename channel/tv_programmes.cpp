#include "channel/tv_programmes.h"

#include "channel/tv_channels.h"
#include "channel/xmltv_time.h"
#include "shell/base/errors.h"

namespace zelmo {

namespace {

std::string ProgrammeText(const TvProgramme* programme) {
  return programme ? LocalClockText(programme->start) + " " + programme->title : std::string();
}

TvSchedule::NowAndNext ChannelAt(const TvSchedule& schedule, const std::string& id,
                                 std::int64_t when) {
  return id.empty() ? TvSchedule::NowAndNext{} : schedule.At(id, when);
}

}  // namespace

std::vector<std::string> ScheduleAnswerPieces(
    std::string_view key, const TvSchedule& schedule,
    const std::array<std::string, kTvChannelCount>& channel_ids, std::int64_t when) {
  const bool now = key == kTvNow;
  if (now || key == kTvNext) {
    std::vector<std::string> pieces;
    for (std::size_t k = 0; k < kTvChannelCount; ++k) {
      const auto programmes = ChannelAt(schedule, channel_ids[k], when);
      pieces.push_back(std::string(kTvChannels[k].label) +
                       ProgrammeText(now ? programmes.now : programmes.next));
    }
    pieces.front().insert(0, now ? "Nyt menossa: " : "Seuraavaksi: ");
    return pieces;
  }
  for (std::size_t k = 0; k < kTvChannelCount; ++k) {
    if (kTvChannels[k].key != key) continue;
    const auto programmes = ChannelAt(schedule, channel_ids[k], when);
    std::vector<std::string> pieces{"<b>" + std::string(key) + "</b>:"};
    if (programmes.now) pieces.front().append(" ").append(ProgrammeText(programmes.now));
    if (programmes.next) pieces.push_back(" | " + ProgrammeText(programmes.next));
    return pieces;
  }
  throw Exception("Unknown TV channel key " + std::string(key));
}

std::string ScheduleAnswer(std::string_view key, const TvSchedule& schedule,
                           const std::array<std::string, kTvChannelCount>& channel_ids,
                           std::int64_t when) {
  std::string answer;
  for (const std::string& piece : ScheduleAnswerPieces(key, schedule, channel_ids, when)) {
    answer += piece;
  }
  return answer;
}

}  // namespace zelmo
