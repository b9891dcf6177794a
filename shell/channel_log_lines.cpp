#include "shell/channel_log_lines.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "irc/protocol/line_fit.h"
#include "shell/base/convert.h"

namespace zelmo::log_line {

namespace {

constexpr std::size_t kMaxFileNameBytes = 200;

std::string Joined(std::initializer_list<std::string_view> parts) {
  std::string line;
  for (std::string_view part : parts) line += part;
  return line;
}

std::string InParentheses(std::string_view text) {
  return text.empty() ? std::string() : Joined({" (", text, ")"});
}

bool Digits(std::string_view text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::optional<std::chrono::year_month_day> ParseDay(std::string_view day) {
  if (day.size() != 10 || day[4] != '-' || day[7] != '-') return std::nullopt;
  if (!Digits(day.substr(0, 4)) || !Digits(day.substr(5, 2)) || !Digits(day.substr(8, 2))) {
    return std::nullopt;
  }
  std::chrono::year_month_day date{std::chrono::year{StrToInt(day.substr(0, 4))},
                                   std::chrono::month(StrToInt(day.substr(5, 2))),
                                   std::chrono::day(StrToInt(day.substr(8, 2)))};
  if (!date.ok()) return std::nullopt;
  return date;
}

bool NeedsEscape(unsigned char byte, bool first) {
  return byte < 0x20 || byte == 0x7f || byte == '/' || byte == '\\' || byte == '%' ||
         (first && byte == '.');
}

std::string HashSuffix(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (unsigned char byte : text) hash = (hash ^ byte) * 1099511628211ULL;
  char suffix[20];
  std::snprintf(suffix, sizeof suffix, "~%08llx", static_cast<unsigned long long>(hash >> 32));
  return suffix;
}

}  // namespace

std::string Message(std::string_view nick, std::string_view text) {
  return Joined({"<", nick, "> ", text});
}

std::string Notice(std::string_view nick, std::string_view text) {
  return Joined({"-", nick, "- ", text});
}

std::string Action(std::string_view nick, std::string_view text) {
  return Joined({"* ", nick, " ", text});
}

std::string Join(std::string_view nick, std::string_view address) {
  return Joined({"--> ", nick, InParentheses(address), " joined"});
}

std::string Part(std::string_view nick, std::string_view address, std::string_view reason) {
  return Joined({"<-- ", nick, InParentheses(address), " parted", InParentheses(reason)});
}

std::string Quit(std::string_view nick, std::string_view reason) {
  return Joined({"<-- ", nick, " quit", InParentheses(reason)});
}

std::string Kick(std::string_view victim, std::string_view kicker, std::string_view reason) {
  return Joined({"<-- ", victim, " was kicked by ", kicker, InParentheses(reason)});
}

std::string Mode(std::string_view setter, std::string_view modes) {
  if (setter.empty()) return Joined({"*** Mode is ", modes});
  return Joined({"*** ", setter, " sets mode ", modes});
}

std::string Topic(std::string_view setter, std::string_view topic) {
  if (setter.empty()) return Joined({"*** Topic is '", topic, "'"});
  return Joined({"*** ", setter, " changes topic to '", topic, "'"});
}

std::string NickChange(std::string_view old_nick, std::string_view new_nick) {
  return Joined({"*** ", old_nick, " is now known as ", new_nick});
}

std::string Lost(unsigned long long count) {
  return "-- " + std::to_string(count) + (count == 1 ? " line lost" : " lines lost");
}

std::string FileLine(std::string_view time, std::string_view text) {
  std::string line = Joined({"[", time, "] ", text});
  for (char& c : line) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  line = AsUtf8(std::move(line));
  line += '\n';
  return line;
}

Stamp LocalStamp(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char day[16];
  char time[16];
  std::strftime(day, sizeof day, "%Y-%m-%d", &local);
  std::strftime(time, sizeof time, "%H:%M:%S", &local);
  return {day, time};
}

std::string DaysBefore(std::string_view day, int days) {
  auto date = ParseDay(day);
  if (!date) return {};
  std::chrono::year_month_day earlier{std::chrono::sys_days(*date) - std::chrono::days(days)};
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(earlier.year()),
                static_cast<unsigned>(earlier.month()), static_cast<unsigned>(earlier.day()));
  return text;
}

bool IsDayFileName(std::string_view name) {
  return name.size() == 14 && name.ends_with(".log") && ParseDay(name.substr(0, 10));
}

std::string SafeChannelFileName(std::string_view channel) {
  std::string name;
  for (std::size_t i = 0; i < channel.size(); ++i) {
    const auto byte = static_cast<unsigned char>(channel[i]);
    if (NeedsEscape(byte, i == 0)) {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
      name += escaped;
    } else {
      name += (byte >= 'A' && byte <= 'Z') ? static_cast<char>(byte - 'A' + 'a') : channel[i];
    }
  }
  if (name.empty()) return "%00";
  if (name.size() > kMaxFileNameBytes) {
    name.resize(kMaxFileNameBytes - 9);
    name += HashSuffix(LowerCase(channel));
  }
  return name;
}

}  // namespace zelmo::log_line
