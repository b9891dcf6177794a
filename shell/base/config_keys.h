#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace zelmo {

// Every key of Config.ini, declared once: its section and name, how its
// value is read, its default, its range and what it is for. The readers
// (config_read.h), the checks of a file's names and values, --check-config
// and the documentation test all work from this table; code that needs a
// default takes it from here.

// How a value is read.
enum class ConfigType {
  kText,     // taken as it stands
  kNumber,   // an integer; no number gives the default, a number out of range is an error
  kFlag,     // on/off as a number: 0 off, any other number on, no number the default
  kInteger,  // a whole number in range; empty is the default, anything else an error
  kSwitch,   // 1/0, yes/no, true/false or on/off in any case; anything else an error
  kColour,   // a colour name or number; anything else an error
  kChoice,   // one of its words in any case; anything else an error
};

struct ConfigKey {
  std::string_view section;
  std::string_view name;
  ConfigType type;
  // As Config.ini would write it.
  std::string_view default_value;
  std::string_view description;
  // kNumber and kInteger: the range, and what a value is called in an
  // error ("'99999' is not a port (1 to 65535)"); kChoice: the name only.
  std::string_view noun = {};
  std::int32_t min = 0;
  std::int32_t max = std::numeric_limits<std::int32_t>::max();
  // kChoice: the words, as the reader gives them back, separated by "|".
  std::string_view choices = {};
};

// The default of a kNumber or kInteger key (plain decimal digits).
constexpr std::int32_t DefaultNumber(const ConfigKey& key) {
  std::int32_t value = 0;
  for (char digit : key.default_value) value = value * 10 + (digit - '0');
  return value;
}

namespace config {

using enum ConfigType;

// [General]
inline constexpr ConfigKey kUsersfile{"General", "Usersfile", kText, "Users.ini",
                                      "the user file, relative to the data folder"};
inline constexpr ConfigKey kSecurityPassword{
    "General", "Security password", kText, "",
    "what generalowner and reload ask for on IRC; without one both are off"};
inline constexpr ConfigKey kKickOnColors{"General", "KickOnColors", kFlag, "1",
                                         "kick users who send colour codes to a channel"};
inline constexpr ConfigKey kAutoVoice{"General", "AutoVoice", kFlag, "1",
                                      "voice every user who joins a channel"};
inline constexpr ConfigKey kLoginFailures{
    "General",
    "LoginFailures",
    kInteger,
    "5",
    "failed logins from one host before its logins are refused; 0 counts none",
    "number of failures",
    0};
inline constexpr ConfigKey kLoginBlockSeconds{
    "General",
    "LoginBlockSeconds",
    kInteger,
    "60",
    "how long the failures are counted and the host then refused",
    "number of seconds",
    1};
inline constexpr ConfigKey kHashPasswords{"General", "HashPasswords", kSwitch, "0",
                                          "store the passwords the bot writes as hashes"};

// [Me]
inline constexpr ConfigKey kNick{"Me", "Nick", kText, "ZelmoBot",
                                 "the bot's nick; written back when the server changes it"};
inline constexpr ConfigKey kRealname{"Me", "Realname", kText, "Zelmo Bot",
                                     "the real name sent at registration"};
inline constexpr ConfigKey kIrcHost{"Me", "IRCHost", kText, "localhost",
                                    "the IRC server: a name or an IPv4 or IPv6 address"};
inline constexpr ConfigKey kTls{"Me", "TLS", kSwitch, "0", "secure the IRC link with TLS"};
inline constexpr ConfigKey kTlsVerify{"Me", "TLSVerify", kSwitch, "1",
                                      "check the server's certificate"};
inline constexpr ConfigKey kTlsCaFile{"Me", "TLSCAFile", kText, "",
                                      "a PEM bundle of CAs trusted besides the system's"};
inline constexpr ConfigKey kTlsFingerprint{
    "Me", "TLSFingerprint", kText, "", "the SHA-256 of the one server certificate to take, in hex"};
inline constexpr ConfigKey kTlsCertFile{"Me", "TLSCertFile", kText, "",
                                        "a PEM client certificate and key offered to the server"};
inline constexpr ConfigKey kPort{
    "Me",   "Port", kNumber, "6667", "the IRC server's port (6697 by default with TLS=1)",
    "port", 1,      65535,
};
// Port's default with TLS=1.
inline constexpr std::string_view kTlsPort = "6697";
inline constexpr ConfigKey kUsername{"Me", "Username", kText, "ZelmoBot",
                                     "the user name sent at registration"};
inline constexpr ConfigKey kSaslUser{"Me", "SASLUser", kText, "",
                                     "the services account to log in to while registering"};
inline constexpr ConfigKey kSaslPassword{"Me", "SASLPassword", kText, "",
                                         "the services account's password"};
inline constexpr ConfigKey kSaslMechanism{"Me",
                                          "SASLMechanism",
                                          kChoice,
                                          "PLAIN",
                                          "PLAIN: user and password; EXTERNAL: TLSCertFile",
                                          "SASL mechanism",
                                          0,
                                          0,
                                          "PLAIN|EXTERNAL"};
inline constexpr ConfigKey kCapabilities{
    "Me", "Capabilities", kSwitch, "0",
    "ask the server for IRCv3 capabilities (account tracking, multi-prefix, chghost)"};
inline constexpr ConfigKey kUtf8Only{"Me", "UTF8Only", kSwitch, "0",
                                     "send outgoing text that is not UTF-8 as UTF-8"};
inline constexpr ConfigKey kSendBurst{"Me",
                                      "SendBurst",
                                      kInteger,
                                      "5",
                                      "lines sent at once before the pace begins",
                                      "number of lines",
                                      1};
inline constexpr ConfigKey kSendInterval{"Me",
                                         "SendInterval",
                                         kInteger,
                                         "1000",
                                         "milliseconds between paced lines; 0 sends at once",
                                         "number of milliseconds",
                                         0};
inline constexpr ConfigKey kPingInterval{"Me",
                                         "PingInterval",
                                         kInteger,
                                         "120",
                                         "seconds of silence before a PING; 0 sends none",
                                         "number of seconds",
                                         0};
inline constexpr ConfigKey kQuitmsg{"Me", "Quitmsg", kText, "ZelmoBot v0.5",
                                    "sent with QUIT when the bot leaves"};
inline constexpr ConfigKey kReconnect{"Me",
                                      "Reconnect",
                                      kChoice,
                                      "once",
                                      "after a lost link: one attempt, or attempts until one holds",
                                      "reconnection mode",
                                      0,
                                      0,
                                      "once|always"};
inline constexpr ConfigKey kAutoConnect{"Me", "AutoConnect", kSwitch, "0",
                                        "connect at start-up without waiting for CONNECT"};

// [Control]
inline constexpr ConfigKey kControlSocket{
    "Control", "Socket", kSwitch, "1",
    "without a window, listen on zelmobot.sock for --attach and --command consoles"};
inline constexpr ConfigKey kControlBacklog{
    "Control",    "Backlog", kInteger, "200", "the display lines a console gets when it attaches",
    "line count", 0,         10000};

// [Display]
inline constexpr ConfigKey kBackground{"Display", "Background", kColour, "ClWindow",
                                       "the display's background colour"};
inline constexpr ConfigKey kFontface{"Display", "Fontface", kText, "MS Sans Serif",
                                     "the display's font face"};
inline constexpr ConfigKey kNormalColor{"Display", "Normal Text Color", kColour, "ClBlack",
                                        "the colour of ordinary lines"};
inline constexpr ConfigKey kImportantColor{"Display", "Important Text Color", kColour, "ClGreen",
                                           "the colour of important lines"};
inline constexpr ConfigKey kDangerousColor{"Display", "Dangerous Text Color", kColour, "ClOlive",
                                           "the colour of dangerous lines"};
inline constexpr ConfigKey kErrorousColor{"Display", "Errorous Text Color", kColour, "ClRed",
                                          "the colour of error lines"};
inline constexpr ConfigKey kMaxLines{"Display",
                                     "MaxLines",
                                     kInteger,
                                     "100000",
                                     "the most lines the window keeps; 0 keeps every line",
                                     "line count",
                                     0};

// [Users]
inline constexpr ConfigKey kAccountLogin{
    "Users", "AccountLogin", kSwitch, "0",
    "log people in by their services account (asks for the capabilities too)"};

// [Lookups]
inline constexpr ConfigKey kDictionary{
    "Lookups", "Dictionary", kText, "",
    "where !word looks: dict://host[:port]/database[+database...] or http://host[:port]"};
inline constexpr ConfigKey kTvListing{"Lookups", "TVListing", kText, "",
                                      "where !tv looks: an XMLTV file or http://host[:port]"};
inline constexpr ConfigKey kMaxReplyLines{"Lookups",
                                          "MaxReplyLines",
                                          kInteger,
                                          "3",
                                          "the most IRC messages an answer to !word or !tv takes",
                                          "number of lines",
                                          1};

// [TV]: the XMLTV channel id of each channel.
inline constexpr ConfigKey kTvYle1{"TV", "YLE1", kText, "", "the XMLTV channel id of YLE1"};
inline constexpr ConfigKey kTvYle2{"TV", "YLE2", kText, "", "the XMLTV channel id of YLE2"};
inline constexpr ConfigKey kTvMtv3{"TV", "MTV3", kText, "", "the XMLTV channel id of MTV3"};
inline constexpr ConfigKey kTvNelonen{"TV", "Nelonen", kText, "",
                                      "the XMLTV channel id of Nelonen"};
inline constexpr ConfigKey kTvSubTv{"TV", "SubTV", kText, "", "the XMLTV channel id of SubTV"};
inline constexpr ConfigKey kTvMoonTv{"TV", "MoonTV", kText, "", "the XMLTV channel id of MoonTV"};

// [Logs]: the channels' logs, one file per channel and day.
inline constexpr ConfigKey kLogsFolder{
    "Logs", "Folder", kText, "",
    "the channel logs' folder, relative to the data folder; none: no logs"};
inline constexpr ConfigKey kLogsChannels{
    "Logs", "Channels", kText, "", "the channels logged, separated by commas; none: every channel"};
inline constexpr ConfigKey kLogsKeepDays{"Logs",
                                         "KeepDays",
                                         kInteger,
                                         "0",
                                         "the days of logs kept, today's included; 0 keeps all",
                                         "number of days",
                                         0,
                                         36500};
inline constexpr ConfigKey kLogsQueueLines{"Logs",
                                           "QueueLines",
                                           kInteger,
                                           "10000",
                                           "the most log lines waiting for the disk",
                                           "number of lines",
                                           100,
                                           1000000};
// [Scripts]: the owner's Lua scripts, each in a sandbox of its own.
inline constexpr ConfigKey kScriptsFolder{
    "Scripts", "Folder", kText, "",
    "the scripts' folder, relative to the data folder; none: no scripts, no interpreter loaded"};
inline constexpr ConfigKey kScriptsDisabled{
    "Scripts", "Disabled", kText, "", "script files not loaded, separated by commas: a.lua,b.lua"};
inline constexpr ConfigKey kScriptsMaxSteps{"Scripts",
                                            "MaxSteps",
                                            kInteger,
                                            "10000000",
                                            "the instructions one call of a script may run",
                                            "number of steps",
                                            1000,
                                            1000000000};
inline constexpr ConfigKey kScriptsMaxMemory{
    "Scripts", "MaxMemory", kText, "16M",
    "the memory of one script: bytes, or K or M after the number; 64K to 1024M"};
inline constexpr ConfigKey kScriptsQueueLines{
    "Scripts",
    "QueueLines",
    kInteger,
    "10",
    "the lines one script may have waiting in the send queue; more raise in the script",
    "number of lines",
    1,
    100};
inline constexpr ConfigKey kScriptsHttpAllowed{
    "Scripts", "HttpAllowed", kText, "",
    "hosts bot.http_get may reach besides loopback and the configured ones: names "
    "separated by commas, or *"};
// [Protect]: the defaults of every channel's protection; a [Channel #room]
// section holds the same keys, and AutoVoice and KickOnColors, for one channel.
inline constexpr ConfigKey kBanTime{
    "Protect", "BanTime", kText, "1h",
    "how long a ban lasts without a duration: 45s, 30m, 2h, 7d, 1w; 0 is permanent"};
inline constexpr ConfigKey kStickyBans{
    "Protect", "StickyBans", kSwitch, "0",
    "set a listed ban again when someone removes it while it has time left"};
inline constexpr ConfigKey kExemptLevel{"Protect",
                                        "ExemptLevel",
                                        kInteger,
                                        "1",
                                        "channel level from which users are spared the defences",
                                        "channel level",
                                        1,
                                        4};

inline constexpr ConfigKey kFloodLines{
    "Protect",
    "FloodLines",
    kInteger,
    "0",
    "more messages than this from one user within FloodSeconds is a flood; 0 is off",
    "number of lines",
    0,
    100};
inline constexpr ConfigKey kFloodSeconds{
    "Protect", "FloodSeconds", kInteger, "10", "the window of FloodLines", "number of seconds", 1,
    3600};
inline constexpr ConfigKey kRepeats{
    "Protect",
    "Repeats",
    kInteger,
    "0",
    "the same text this many times in a row, each within RepeatSeconds, is spam; 0 is off",
    "number of repeats",
    0,
    100};
inline constexpr ConfigKey kRepeatSeconds{
    "Protect", "RepeatSeconds", kInteger, "60", "the window of Repeats", "number of seconds", 1,
    3600};
inline constexpr ConfigKey kHighlights{
    "Protect",
    "Highlights",
    kInteger,
    "0",
    "a message naming this many channel members or more is a mass highlight; 0 is off",
    "number of nicks",
    0,
    100};
inline constexpr ConfigKey kEscalateMinutes{
    "Protect",
    "EscalateMinutes",
    kInteger,
    "10",
    "offences within this many minutes step up: warning, kick, ban",
    "number of minutes",
    1,
    1440};

inline constexpr ConfigKey kJoinFlood{
    "Protect",
    "JoinFlood",
    kInteger,
    "0",
    "more joins than this within JoinSeconds locks the channel (+j or +i); 0 is off",
    "number of joins",
    0,
    500};
inline constexpr ConfigKey kJoinSeconds{
    "Protect", "JoinSeconds", kInteger, "10", "the window of JoinFlood", "number of seconds",
    1,         3600};
inline constexpr ConfigKey kLockMinutes{"Protect",
                                        "LockMinutes",
                                        kInteger,
                                        "5",
                                        "how long a join flood locks the channel",
                                        "number of minutes",
                                        1,
                                        1440};
inline constexpr ConfigKey kCycleJoins{
    "Protect",
    "CycleJoins",
    kInteger,
    "0",
    "more joins than this of one user within CycleSeconds is join/part cycling; 0 is off",
    "number of joins",
    0,
    100};
inline constexpr ConfigKey kCycleSeconds{
    "Protect", "CycleSeconds", kInteger, "60", "the window of CycleJoins", "number of seconds", 1,
    3600};
inline constexpr ConfigKey kNickFlood{
    "Protect",
    "NickFlood",
    kInteger,
    "0",
    "more nick changes than this of one user within NickSeconds is a nick flood; 0 is off",
    "number of changes",
    0,
    100};
inline constexpr ConfigKey kNickSeconds{
    "Protect", "NickSeconds", kInteger, "60", "the window of NickFlood", "number of seconds",
    1,         3600};
inline constexpr ConfigKey kKickOnCtcp{
    "Protect", "KickOnCtcp", kSwitch, "0",
    "a CTCP query to the channel is an offence, and it is not answered"};

}  // namespace config

// The table, section by section.
inline constexpr std::array kConfigKeys{
    &config::kUsersfile,
    &config::kSecurityPassword,
    &config::kKickOnColors,
    &config::kAutoVoice,
    &config::kLoginFailures,
    &config::kLoginBlockSeconds,
    &config::kHashPasswords,
    &config::kNick,
    &config::kRealname,
    &config::kIrcHost,
    &config::kTls,
    &config::kTlsVerify,
    &config::kTlsCaFile,
    &config::kTlsFingerprint,
    &config::kTlsCertFile,
    &config::kPort,
    &config::kUsername,
    &config::kSaslUser,
    &config::kSaslPassword,
    &config::kSaslMechanism,
    &config::kCapabilities,
    &config::kUtf8Only,
    &config::kSendBurst,
    &config::kSendInterval,
    &config::kPingInterval,
    &config::kQuitmsg,
    &config::kReconnect,
    &config::kAutoConnect,
    &config::kControlSocket,
    &config::kControlBacklog,
    &config::kBackground,
    &config::kFontface,
    &config::kNormalColor,
    &config::kImportantColor,
    &config::kDangerousColor,
    &config::kErrorousColor,
    &config::kMaxLines,
    &config::kAccountLogin,
    &config::kDictionary,
    &config::kTvListing,
    &config::kMaxReplyLines,
    &config::kTvYle1,
    &config::kTvYle2,
    &config::kTvMtv3,
    &config::kTvNelonen,
    &config::kTvSubTv,
    &config::kTvMoonTv,
    &config::kLogsFolder,
    &config::kLogsChannels,
    &config::kLogsKeepDays,
    &config::kLogsQueueLines,
    &config::kScriptsFolder,
    &config::kScriptsDisabled,
    &config::kScriptsMaxSteps,
    &config::kScriptsMaxMemory,
    &config::kScriptsQueueLines,
    &config::kScriptsHttpAllowed,
    &config::kBanTime,
    &config::kStickyBans,
    &config::kExemptLevel,
    &config::kFloodLines,
    &config::kFloodSeconds,
    &config::kRepeats,
    &config::kRepeatSeconds,
    &config::kHighlights,
    &config::kEscalateMinutes,
    &config::kJoinFlood,
    &config::kJoinSeconds,
    &config::kLockMinutes,
    &config::kCycleJoins,
    &config::kCycleSeconds,
    &config::kNickFlood,
    &config::kNickSeconds,
    &config::kKickOnCtcp,
};

// The section of one channel's settings is "Channel " and the channel's name.
inline constexpr std::string_view kChannelSectionPrefix = "Channel ";
inline constexpr std::string_view kProtectSection = "Protect";

// The keys a channel's section may hold: those of [Protect] and these.
inline constexpr std::array kChannelOnlyKeys{&config::kAutoVoice, &config::kKickOnColors};

// The channel a section's name is for ("Channel #room" -> "#room"), or none.
std::optional<std::string_view> ChannelOfSection(std::string_view section);
// The key a channel's section may hold under that name, or none.
const ConfigKey* FindChannelKey(std::string_view name);

// "[Me] Port": how texts for the operator name a key.
std::string KeyName(const ConfigKey& key);

// The declared key of that section and name (ASCII case ignored), or none.
const ConfigKey* FindConfigKey(std::string_view section, std::string_view name);
// The section's name as the table writes it, or none when no key lives there.
std::optional<std::string_view> FindConfigSection(std::string_view section);

}  // namespace zelmo
