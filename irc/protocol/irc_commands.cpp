#include "irc/protocol/irc_commands.h"

#include <initializer_list>

namespace zelmo {

namespace {

std::string Concat(std::initializer_list<std::string_view> parts) {
  std::string line;
  std::size_t size = 0;
  for (std::string_view part : parts) size += part.size();
  line.reserve(size);
  for (std::string_view part : parts) line.append(part);
  return line;
}

}  // namespace

namespace outgoing {

std::string Say(std::string_view target, std::string_view text) {
  return Concat({"PRIVMSG ", target, " :", text});
}

std::string Notice(std::string_view target, std::string_view text) {
  return Concat({"NOTICE ", target, " :", text});
}

std::string CTCPReply(std::string_view target, std::string_view command,
                      std::string_view arguments) {
  return Notice(target, Concat({"\001", command, " ", arguments, "\001"}));
}

std::string Join(std::string_view channel, std::string_view key) {
  if (key.empty()) return Concat({"JOIN ", channel});
  return Concat({"JOIN ", channel, " ", key});
}

std::string Part(std::string_view channel, std::string_view reason) {
  if (reason.empty()) return Concat({"PART ", channel});
  return Concat({"PART ", channel, " :", reason});
}

std::string Kick(std::string_view channel, std::string_view nick, std::string_view reason) {
  return Concat({"KICK ", channel, " ", nick, " :", reason});
}

std::string Quit(std::string_view message) {
  return Concat({"QUIT :", message});
}

std::string Mode(std::string_view target, std::string_view modes, std::string_view parameters) {
  if (parameters.empty()) return Concat({"MODE ", target, " ", modes});
  return Concat({"MODE ", target, " ", modes, " ", parameters});
}

std::string Nick(std::string_view nick) {
  return Concat({"NICK ", nick});
}

std::string Pass(std::string_view password) {
  return Concat({"PASS ", password});
}

std::string User(std::string_view user_name, std::string_view host, std::string_view server,
                 std::string_view real_name) {
  return Concat({"USER ", user_name, " ", host, " ", server, " :", real_name});
}

std::string Pong(std::string_view text) {
  return Concat({"PONG :", text});
}

std::string Monitor(std::string_view nick) {
  return Concat({"MONITOR + ", nick});
}

std::string Unmonitor(std::string_view nick) {
  return Concat({"MONITOR - ", nick});
}

std::string Whois(std::string_view nick) {
  return Concat({"WHOIS ", nick});
}

}  // namespace outgoing

std::string SanitizeOutgoingLine(std::string line) {
  for (char& c : line) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  return line;
}

}  // namespace zelmo
