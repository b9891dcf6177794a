// Command texts cut into parts: ";" for private commands and the console,
// " " for channel commands. The first byte picks the separator.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/fuzz_check.h"
#include "users/split_params.h"

namespace {

void CheckSplit(std::string_view text, std::string_view separator) {
  std::vector<std::string> parts = {"kept"};
  zelmo::SplitParams(text, separator, parts);
  // Parts are appended; what the list held stays.
  FUZZ_CHECK(parts.size() >= 2 && parts.front() == "kept");
  parts.erase(parts.begin());

  // One part more than separators, none holding one, and the parts joined
  // by the separator give the text back.
  const auto separators =
      static_cast<std::size_t>(std::count(text.begin(), text.end(), separator[0]));
  FUZZ_CHECK(parts.size() == separators + 1);
  std::string joined;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    FUZZ_CHECK(parts[i].find(separator) == std::string::npos);
    if (i > 0) joined.append(separator);
    joined.append(parts[i]);
  }
  FUZZ_CHECK(joined == text);
  FUZZ_CHECK(zelmo::SplitParams(text, separator) == parts);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view separator = (data[0] & 1) ? " " : ";";
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  CheckSplit(text, separator);
  return 0;
}
