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

std::string ScheduleAnswer(std::string_view key, const TvSchedule& schedule,
                           const std::array<std::string, kTvChannelCount>& channel_ids,
                           std::int64_t when) {
  const bool now = key == kTvNow;
  if (now || key == kTvNext) {
    std::string answer = now ? "Nyt menossa: " : "Seuraavaksi: ";
    for (std::size_t k = 0; k < kTvChannelCount; ++k) {
      const auto programmes = ChannelAt(schedule, channel_ids[k], when);
      answer.append(kTvChannels[k].label)
          .append(ProgrammeText(now ? programmes.now : programmes.next));
    }
    return answer;
  }
  for (std::size_t k = 0; k < kTvChannelCount; ++k) {
    if (kTvChannels[k].key != key) continue;
    const auto programmes = ChannelAt(schedule, channel_ids[k], when);
    std::string answer = "<b>" + std::string(key) + "</b>:";
    if (programmes.now) answer.append(" ").append(ProgrammeText(programmes.now));
    if (programmes.next) answer.append(" | ").append(ProgrammeText(programmes.next));
    return answer;
  }
  throw Exception("Unknown TV channel key " + std::string(key));
}

}  // namespace zelmo
