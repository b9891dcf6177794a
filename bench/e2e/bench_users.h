#pragma once

#include <string>

namespace zelmo::bench {

// The joiners of the join storm: nick and address of joiner n.
std::string JoinerNick(int n);
std::string JoinerAddress(int n);

// A user file of `users` users: user n is known at joiner n's address and
// holds rights 1 (voice) or 2 (op) in the channel.
std::string BenchUsers(int users, const std::string& channel);

}  // namespace zelmo::bench
