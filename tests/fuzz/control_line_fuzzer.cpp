// What an attached console sends the bot, and what the bot sends a console:
// any line decodes to a message or to none, and a message written out again
// reads back the same.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "shell/base/control_protocol.h"
#include "support/fuzz_check.h"

namespace {

template <typename Decode>
void CheckRoundTrip(std::string_view line, Decode decode) {
  const auto message = decode(line);
  if (!message) return;
  const std::string again = zelmo::EncodeControl(*message);
  FUZZ_CHECK(!again.empty() && again.back() == '\n');
  FUZZ_CHECK(again.find('\n') == again.size() - 1);
  const auto back = decode(std::string_view(again).substr(0, again.size() - 1));
  FUZZ_CHECK(back && zelmo::EncodeControl(*back) == again);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  CheckRoundTrip(line, [](std::string_view l) { return zelmo::DecodeConsoleMessage(l); });
  CheckRoundTrip(line, [](std::string_view l) { return zelmo::DecodeBotMessage(l); });
  return 0;
}
