#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zelmo {

// A user entry's `Account` value: services account names separated by
// commas ("alice,alice_work"). Bounded, so a rights check reading the list
// stays cheap whatever the entry holds.
inline constexpr std::size_t kMaxUserAccounts = 8;
inline constexpr std::size_t kMaxAccountNameBytes = 64;

// Why a list given to the account command cannot be stored, as the reply;
// none when it can. Names hold no blank, comma or control character, and
// "*" and "0" are how servers say "no account", so neither is a name.
std::optional<std::string> AccountListError(std::string_view list);

// Whether a stored list names the account (letter case aside, ASCII). Only
// the first kMaxUserAccounts names of a hand-edited entry count.
bool AccountListed(std::string_view list, std::string_view account);

}  // namespace zelmo
