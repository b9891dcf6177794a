// XMLTV documents as the TV listing reads them, and the answers built from
// what they hold. Programmes of the channels "a" to "f" go to the six TV
// channels; the answers are asked at the times the document's own first
// start and stop name, and at the epoch.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

#include "channel/tv_programmes.h"
#include "channel/xmltv_reader.h"
#include "channel/xmltv_time.h"
#include "shell/base/errors.h"
#include "support/fuzz_check.h"

namespace {

using namespace zelmo;

const std::array<std::string, kTvChannelCount> kIds{"a", "b", "c", "d", "e", "f"};

std::int64_t TimeAfter(std::string_view document, std::string_view attribute) {
  const std::size_t at = document.find(attribute);
  if (at == std::string_view::npos) return 0;
  const std::string_view rest = document.substr(at + attribute.size());
  return ParseXmltvTime(rest.substr(0, rest.find('"'))).value_or(0);
}

// Without entity expansion no title is longer than twice the document (a
// Latin-1 or UTF-16 letter may take more bytes in UTF-8).
void CheckAnswers(const TvSchedule& schedule, std::int64_t when, std::size_t size) {
  const std::string now = ScheduleAnswer("Now", schedule, kIds, when);
  const std::string next = ScheduleAnswer("Next", schedule, kIds, when);
  FUZZ_CHECK(now.size() <= 200 + 12 * size && next.size() <= 200 + 12 * size);
  FUZZ_CHECK(now.starts_with("Nyt menossa: <b>YLE1</b>: "));
  FUZZ_CHECK(next.starts_with("Seuraavaksi: <b>YLE1</b>: "));
  FUZZ_CHECK(now.find(" <b>MoonTV</b>: ") != std::string::npos);
  const std::string one = ScheduleAnswer("SubTV", schedule, kIds, when);
  FUZZ_CHECK(one.starts_with("<b>SubTV</b>:"));
  FUZZ_CHECK(one.find_first_of("\n\r\t") == std::string::npos);
  const TvSchedule::NowAndNext at = schedule.At("a", when);
  FUZZ_CHECK(!at.now || (at.now->start <= when && at.now->stop > when));
  FUZZ_CHECK(!at.next || at.next->start > when);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("TZ", "EET-2", 1);
  tzset();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view document(reinterpret_cast<const char*>(data), size);
  TvSchedule schedule;
  try {
    schedule = ReadXmltv(document);
  } catch (const Exception&) {
    return 0;
  }
  for (std::int64_t when :
       {TimeAfter(document, "start=\""), TimeAfter(document, "stop=\""), std::int64_t{0}}) {
    CheckAnswers(schedule, when, size);
  }
  return 0;
}
