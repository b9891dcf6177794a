// The SASL exchange fed server lines: CAP replies, AUTHENTICATE challenges
// and numeric replies, one per input line, for a PLAIN login whose user and
// password come from the first line.
//
// Checks: every line the client sends is one IRC line that fits, an
// AUTHENTICATE response is whole (chunks of 400 bytes, "+" after an exact
// one), and the exchange never speaks after it has ended.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "irc/protocol/capabilities.h"
#include "irc/protocol/incoming_messages.h"
#include "irc/protocol/irc_line.h"
#include "irc/protocol/sasl_exchange.h"
#include "support/fuzz_check.h"

namespace {

using namespace zelmo;

void CheckSent(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    FUZZ_CHECK(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
    FUZZ_CHECK(line.size() <= 13 + 400);
  }
}

void CheckResponse(std::string_view response) {
  const std::vector<std::string> lines = AuthenticateLines(response);
  std::string joined;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string chunk = lines[i].substr(13);
    if (chunk == "+") {
      FUZZ_CHECK(i + 1 == lines.size());
      FUZZ_CHECK(joined.size() % 400 == 0);
      continue;
    }
    FUZZ_CHECK(chunk.size() == 400 || i + 1 == lines.size());
    joined += chunk;
  }
  FUZZ_CHECK(joined == Base64Encode(response));
  FUZZ_CHECK(joined.size() == (response.size() + 2) / 3 * 4);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t first_end = input.find('\n');
  const std::string_view credentials = input.substr(0, first_end);
  const std::size_t blank = credentials.find(' ');
  const std::string user(credentials.substr(0, blank));
  const std::string password(blank == std::string_view::npos ? "" : credentials.substr(blank + 1));
  CheckResponse(SaslPlainResponse(user, password));
  SaslExchange exchange(user.size() % 2 ? "EXTERNAL" : "PLAIN", user, password);
  input.remove_prefix(first_end == std::string_view::npos ? input.size() : first_end + 1);
  ParsedLine parsed;
  while (!input.empty()) {
    const std::size_t end = input.find('\n');
    SplitLine(input.substr(0, end), parsed);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    const bool was_negotiating = exchange.Negotiating();
    // Fed as the client feeds it: the decoded line.
    const IncomingMessage message = DecodeMessage(parsed);
    SaslExchange::Step step;
    if (auto number = ReplyNumberOf(message)) {
      const auto* error = std::get_if<ErrorReply>(&message);
      step = exchange.OnNumeric(*number, error ? error->about : std::string());
    } else if (const auto* cap = std::get_if<incoming::Cap>(&message)) {
      step = exchange.OnCap(cap->reply);
    } else if (const auto* authenticate = std::get_if<incoming::Authenticate>(&message)) {
      step = exchange.OnAuthenticate(authenticate->challenge);
    }
    CheckSent(step.send);
    if (!was_negotiating) FUZZ_CHECK(step.send.empty() && !step.failure);
    if (step.failure) FUZZ_CHECK(!exchange.Negotiating() && step.send.empty());
  }
  return 0;
}
