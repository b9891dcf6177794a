// Received lines with a tag part: the cut stays inside the line, the tag
// part stays within its bound, and decoding the tags never fails.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "irc/protocol/message_tags.h"
#include "support/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const zelmo::TaggedLine split = zelmo::SplitMessageTags(line);
  FUZZ_CHECK(split.tags.size() < zelmo::kMaxTagPartBytes);
  FUZZ_CHECK(split.rest.size() <= line.size());
  FUZZ_CHECK(line.ends_with(split.rest));
  FUZZ_CHECK(split.tags.find(' ') == std::string_view::npos);
  if (!line.starts_with('@')) FUZZ_CHECK(split.rest == line);

  const zelmo::MessageTags tags = zelmo::ParseMessageTags(split.tags);
  // Unescaping never lengthens a value.
  if (tags.account) FUZZ_CHECK(!tags.account->empty() && tags.account->size() <= split.tags.size());
  return 0;
}
