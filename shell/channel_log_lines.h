#pragma once

#include <ctime>
#include <string>
#include <string_view>

// What a channel log holds: the text of each kind of line (the writer puts
// "[HH:MM:SS] " in front), the day and time of a moment, and the file name a
// channel's logs live under.

namespace zelmo::log_line {

std::string Message(std::string_view nick, std::string_view text);  // "<bob> hi"
std::string Notice(std::string_view nick, std::string_view text);   // "-bob- hi"
std::string Action(std::string_view nick, std::string_view text);   // "* bob waves"
// "--> bob (bob@host) joined"; the address is left out when unknown.
std::string Join(std::string_view nick, std::string_view address);
// "<-- bob (bob@host) parted (reason)"; an empty reason is left out.
std::string Part(std::string_view nick, std::string_view address, std::string_view reason);
std::string Quit(std::string_view nick, std::string_view reason);  // "<-- bob quit (reason)"
// "<-- bob was kicked by alice (reason)"
std::string Kick(std::string_view victim, std::string_view kicker, std::string_view reason);
// "*** alice sets mode +o bob"; without a setter (the reply to the bot's own
// MODE query) "*** Mode is +nt".
std::string Mode(std::string_view setter, std::string_view modes);
// "*** alice changes topic to 'x'"; without a setter (the topic told on
// joining) "*** Topic is 'x'".
std::string Topic(std::string_view setter, std::string_view topic);
std::string NickChange(std::string_view old_nick, std::string_view new_nick);
// "-- 12 lines lost": lines that found the writer's queue full, or the disk.
std::string Lost(unsigned long long count);

// The full line as it goes into the file: "[HH:MM:SS] " and the text made one
// line of UTF-8 (a line break or NUL from a server becomes a blank; bytes that
// are no UTF-8 are taken as Latin-1), ended by LF.
std::string FileLine(std::string_view time, std::string_view text);

// The local day and time of a moment: "2026-12-09" and "14:03:59".
struct Stamp {
  std::string day;
  std::string time;
};
Stamp LocalStamp(std::time_t when);

// The day `days` before a day of the form "YYYY-MM-DD"; empty for no day.
std::string DaysBefore(std::string_view day, int days);
// Whether a file name is one day's log: "YYYY-MM-DD.log".
bool IsDayFileName(std::string_view name);

// A channel's name as a file name: ASCII letters in lower case (channel
// names ignore case), and every byte a file name must not hold, or that could
// make it a path or a hidden file ("/", "\", NUL, control bytes, "%", a
// leading "."), written as "%XX". Names that would grow past 200 bytes are
// cut there and end in "~" and a hash of the whole name, so two long names
// stay apart.
std::string SafeChannelFileName(std::string_view channel);

}  // namespace zelmo::log_line
