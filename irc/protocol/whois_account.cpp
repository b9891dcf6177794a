#include "irc/protocol/whois_account.h"

namespace zelmo {

namespace {

constexpr int kWhoisUser = 311;
constexpr int kWhoisEnd = 318;
constexpr int kWhoisAccount = 330;

}  // namespace

std::optional<WhoisPart> ParseWhoisPart(int number, const ParsedLine& line) {
  const ParamSlots& slot = line.ParamTable;
  if (slot[3].empty()) return std::nullopt;
  if (number == kWhoisEnd) return WhoisPart{WhoisPart::kEnd, slot[3], ""};
  // An account name holds no blank, as a user name or host does not.
  if (slot[4].empty() || slot[4].find(' ') != std::string::npos) return std::nullopt;
  if (number == kWhoisAccount) return WhoisPart{WhoisPart::kAccount, slot[3], slot[4]};
  if (number != kWhoisUser || slot[5].empty() || slot[5].find(' ') != std::string::npos) {
    return std::nullopt;
  }
  return WhoisPart{WhoisPart::kAddress, slot[3], slot[4] + "@" + slot[5]};
}

}  // namespace zelmo
