// Ban durations and ban masks. The input is "duration\nmask\naddress": the
// duration reading is checked against its shape, the mask match against a
// table-filling second opinion.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "channel/ban_duration.h"
#include "irc/protocol/irc_mask.h"
#include "shell/base/convert.h"
#include "shell/base/errors.h"
#include "support/fuzz_check.h"

namespace {

using namespace zelmo;

std::string_view TakeLine(std::string_view& rest) {
  const std::size_t end = std::min(rest.find('\n'), rest.size());
  const std::string_view line = rest.substr(0, end);
  rest.remove_prefix(std::min(end + 1, rest.size()));
  return line;
}

// Row by row: row[j] says whether the mask read so far covers the first j
// bytes of the address.
bool ModelMatches(std::string_view mask, std::string_view address) {
  std::vector<bool> row(address.size() + 1, false);
  row[0] = true;
  for (char m : mask) {
    std::vector<bool> next(address.size() + 1, false);
    next[0] = m == '*' && row[0];
    for (std::size_t j = 1; j <= address.size(); ++j) {
      const bool same = m == '?' || UpperChar(m) == UpperChar(address[j - 1]);
      next[j] = m == '*' ? (row[j] || next[j - 1]) : (same && row[j - 1]);
    }
    row.swap(next);
  }
  return row[address.size()];
}

void CheckDuration(std::string_view text) {
  const bool digits = !text.empty() && text.front() >= '0' && text.front() <= '9';
  try {
    const BanSeconds seconds = ParseDuration(text);
    FUZZ_CHECK(digits);
    FUZZ_CHECK(seconds >= 0 && seconds <= kMaxBanSeconds);
    const std::string shown = FormatDuration(seconds);
    FUZZ_CHECK(!shown.empty() && shown.size() <= 9);
    // The listing drops what the two largest units leave over, never adds.
    if (shown.find_first_of("wdhms") == shown.size() - 1)
      FUZZ_CHECK(ParseDuration(shown) <= seconds);
  } catch (const EConvertError& error) {
    FUZZ_CHECK(!std::string(error.what()).empty());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  CheckDuration(TakeLine(rest));
  // Masks as long as a server line: the second opinion is quadratic.
  const std::string_view mask = TakeLine(rest).substr(0, 512);
  const std::string_view address = rest.substr(0, 512);
  FUZZ_CHECK(MaskMatches(mask, address) == ModelMatches(mask, address));
  FUZZ_CHECK(MaskMatches(HostBanMask(address), "n!u@" + std::string(address)));
  return 0;
}
