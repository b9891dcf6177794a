#pragma once

#include <string>
#include <string_view>

namespace zelmo {

// Whether a ban mask ("*!*@*.example.org", "bob!*@*") covers a user's full
// address "nick!user@host". "*" stands for any run of bytes, "?" for one;
// letters match in either case (ASCII only, as the channel records compare
// nicks). Without recursion: at most the two lengths multiplied in steps.
bool MaskMatches(std::string_view mask, std::string_view address);

// The mask that bans a user by host alone: "*!*@" and the host.
std::string HostBanMask(std::string_view host);

// Whether a command argument is a mask rather than a nick: it holds "!",
// "@", "*" or "?", none of which a nick may hold.
bool IsMask(std::string_view text);

}  // namespace zelmo
