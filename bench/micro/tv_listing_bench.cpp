#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "channel/tv_listing.h"
#include "channel/tv_listing_cache.h"
#include "channel/tv_programmes.h"
#include "support/temp_dir.h"

namespace zelmo {
namespace {

constexpr int kChannels = 200;
constexpr int kDays = 7;
constexpr int kProgrammeMinutes = 30;

std::string XmltvTime(std::time_t when) {
  std::tm parts{};
  gmtime_r(&when, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d%H%M%S +0000", &parts);
  return text;
}

// A week of half-hour programmes for 200 channels from a day ago on, as a
// grabber writes it (67,200 programmes, about 19 MB).
std::string WeekListing(std::time_t from) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n<tv generator-info-name=\"bench\">\n";
  for (int channel = 0; channel < kChannels; ++channel) {
    const std::string id = "ch" + std::to_string(channel) + ".fi";
    xml += "<channel id=\"" + id + "\"><display-name>Kanava " + std::to_string(channel) +
           "</display-name></channel>\n";
  }
  const int programmes = kDays * 24 * 60 / kProgrammeMinutes;
  for (int channel = 0; channel < kChannels; ++channel) {
    const std::string id = "ch" + std::to_string(channel) + ".fi";
    for (int n = 0; n < programmes; ++n) {
      const std::time_t start = from + n * kProgrammeMinutes * 60;
      xml += "<programme start=\"" + XmltvTime(start) + "\" stop=\"" +
             XmltvTime(start + kProgrammeMinutes * 60) + "\" channel=\"" + id +
             "\">\n  <title lang=\"sv\">Program " + std::to_string(n) +
             "</title>\n  <title lang=\"fi\">Ohjelma " + std::to_string(n) +
             "</title>\n  <desc lang=\"fi\">Jakso " + std::to_string(n) +
             ". Kuvaus ohjelman sisällöstä.</desc>\n  <category lang=\"fi\">Sarja</category>\n"
             "</programme>\n";
    }
  }
  return xml + "</tv>\n";
}

const std::array<std::string, kTvChannelCount> kIds{"ch0.fi",   "ch40.fi",  "ch80.fi",
                                                    "ch120.fi", "ch160.fi", "ch199.fi"};

class ListingFile {
 public:
  ListingFile() { dir_.Write("tv.xml", WeekListing(std::time(nullptr) - 24 * 3600)); }
  std::string Path() const { return dir_.File("tv.xml"); }

 private:
  testing::TempDir dir_;
};

// The first lookup after the grabber wrote the file: read and parse it all.
void BM_XmltvFirstParse(benchmark::State& state) {
  ListingFile file;
  for (auto _ : state) {
    auto schedule = LoadTvSchedule(file.Path(), nullptr);
    benchmark::DoNotOptimize(schedule.get());
  }
}
BENCHMARK(BM_XmltvFirstParse)->Unit(benchmark::kMillisecond)->Iterations(3);

// Every later lookup while the file stays the same: the file's status
// checked, the cached schedule searched, the answer formatted; for one
// channel, and for all six now.
void LookUp(benchmark::State& state, std::string_view key) {
  ListingFile file;
  TvListingCache cache;
  LoadTvSchedule(file.Path(), &cache);
  for (auto _ : state) {
    const auto schedule = LoadTvSchedule(file.Path(), &cache);
    std::string answer = TvFormatting(ScheduleAnswer(key, *schedule, kIds, std::time(nullptr)));
    benchmark::DoNotOptimize(answer.data());
  }
}

void BM_XmltvLookupOneChannel(benchmark::State& state) {
  LookUp(state, "Nelonen");
}
BENCHMARK(BM_XmltvLookupOneChannel)->Unit(benchmark::kMicrosecond)->Iterations(1000);

void BM_XmltvLookupAllNow(benchmark::State& state) {
  LookUp(state, kTvNow);
}
BENCHMARK(BM_XmltvLookupAllNow)->Unit(benchmark::kMicrosecond)->Iterations(1000);

}  // namespace
}  // namespace zelmo
