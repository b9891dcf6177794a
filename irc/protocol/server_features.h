#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace zelmo {

// What the server announced of itself in its 005 lines (ISUPPORT): each
// token with its value ("NICKLEN=30" gives NICKLEN -> 30, a bare token an
// empty value). Valid for one connection.
class ServerFeatures {
 public:
  // Takes the tokens of one 005 line's content: the words after the target
  // up to the trailing text. "-TOKEN" withdraws a token announced earlier.
  // New tokens beyond kMaxServerFeatures are left out: false then.
  bool Take(std::string_view line_content);
  void Clear() { tokens_.clear(); }

  // The token's value; nothing when it was not announced.
  std::optional<std::string> Value(const std::string& token) const;
  // The longest nick the server takes: NICKLEN, or 30 without a usable one.
  std::size_t NickLength() const;
  // How the server mutes a mask, if it can: a list mode of its own in
  // CHANMODES ("+q mask"), else a ban of an extended mask that EXTBAN offers
  // ("+b ~q:mask", "+b m:mask").
  struct QuietForm {
    char mode;
    std::string prefix;  // put before the mask
  };
  std::optional<QuietForm> QuietMode() const;
  // Whether CHANMODES offers the join throttle "+j joins:seconds".
  bool OffersJoinThrottle() const;

 private:
  std::map<std::string, std::string, std::less<>> tokens_;
};

}  // namespace zelmo
