// 354 lines as a server (or one standing in for it) may send them: an entry
// is read only with the bot's token and every field, none holding a blank,
// and a member without an account is never given the text "0".

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "irc/protocol/irc_line.h"
#include "irc/protocol/whox.h"
#include "support/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line =
      ":irc.x 354 Bot " + std::string(reinterpret_cast<const char*>(data), size);
  zelmo::ParsedLine parsed;
  zelmo::SplitLine(line, parsed);
  const std::optional<zelmo::WhoxEntry> entry = zelmo::ParseWhoxReply(parsed);
  if (!entry) return 0;
  FUZZ_CHECK(parsed.ParamTable[3] == zelmo::kWhoxToken);
  const std::string account = entry->account.value_or("-");
  for (const std::string* field :
       {&entry->channel, &entry->user, &entry->host, &entry->nick, &entry->flags, &account}) {
    FUZZ_CHECK(!field->empty());
    FUZZ_CHECK(field->find(' ') == std::string::npos);
  }
  if (entry->account) FUZZ_CHECK(!entry->account->empty() && *entry->account != "0");
  return 0;
}
