#pragma once

#include <optional>
#include <string>

#include "irc/protocol/irc_line.h"

namespace zelmo {

// The parts of a WHOIS reply that tell whose account a nick is:
//   :irc.example 311 ZelmoBot alice al host.example * :Alice   the address
//   :irc.example 330 ZelmoBot alice alice_acct :is logged in as
//   :irc.example 318 ZelmoBot alice :End of WHOIS list
struct WhoisPart {
  enum Kind { kAddress, kAccount, kEnd };
  Kind kind = kEnd;
  std::string nick;
  // "al@host.example" for the address, the account name for the account;
  // empty for the end.
  std::string value;
};

// The part a 311, 330 or 318 line gives; nothing for any other number or
// when a field it needs is missing.
std::optional<WhoisPart> ParseWhoisPart(int number, const ParsedLine& line);

}  // namespace zelmo
