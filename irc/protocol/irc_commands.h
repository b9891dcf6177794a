#pragma once

#include <string>
#include <string_view>

namespace zelmo {

// The text of every line the client sends, without its CR LF. The texts go
// out as given; only SanitizeOutgoingLine keeps a line a single line.
namespace outgoing {

std::string Say(std::string_view target, std::string_view text);
std::string Notice(std::string_view target, std::string_view text);
// A notice whose text is \001, command, a blank, arguments and \001; the
// blank stays when the arguments are empty.
std::string CTCPReply(std::string_view target, std::string_view command,
                      std::string_view arguments);
std::string Join(std::string_view channel, std::string_view key);
std::string Part(std::string_view channel, std::string_view reason);
// The colon is sent even for an empty reason.
std::string Kick(std::string_view channel, std::string_view nick, std::string_view reason);
std::string Quit(std::string_view message);
// Without parameters the modes still follow a blank, so empty modes give
// "MODE " + target + " ", which asks the server for the channel's modes.
std::string Mode(std::string_view target, std::string_view modes, std::string_view parameters);
std::string Nick(std::string_view nick);
std::string Pass(std::string_view password);
std::string User(std::string_view user_name, std::string_view host, std::string_view server,
                 std::string_view real_name);
std::string Pong(std::string_view text);
// Adds a nick to the server's MONITOR list, or takes it off.
std::string Monitor(std::string_view nick);
std::string Unmonitor(std::string_view nick);
// Asks what the server knows of a nick, its services account among it.
std::string Whois(std::string_view nick);

}  // namespace outgoing

// A CR, LF or NUL inside a line would end it on the wire and start another
// command there, so texts from web pages or users could inject commands.
// Each such byte becomes a blank: nothing is cut and the line stays one line.
std::string SanitizeOutgoingLine(std::string line);

}  // namespace zelmo
