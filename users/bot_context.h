#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "shell/base/config_keys.h"

namespace zelmo {

class BanList;
class IniFileCache;
class LoginThrottle;
class TMessageDisplay;
class TvListingCache;
class TIdIRC;
class TIdIRCUser;
class TIdTCPClient;
struct ChannelSettings;

// Where a web lookup goes: a host name or dotted address and a port.
struct WebHost {
  std::string host;
  int port = 80;
};

// A lookup's host, or none when the bot was not pointed at a web service:
// the lookup then answers its error at once.
using WebHostSetting = std::optional<WebHost>;

// A DICT server (RFC 2229) and the databases asked, in this order.
struct DictServer {
  std::string host;
  int port = 2628;
  std::vector<std::string> databases;
};

// Where !word goes: nowhere (it answers its error at once), a dictionary web
// page, or a DICT server.
using DictionarySource = std::variant<std::monostate, WebHost, DictServer>;

// The six TV channels of the listing, in the order of the answers.
inline constexpr std::size_t kTvChannelCount = 6;

// An XMLTV file (a full path) and the XMLTV channel id of each of the six
// channels; an empty id gives that channel no programmes.
struct XmltvFile {
  std::string path;
  std::array<std::string, kTvChannelCount> channel_ids;
};

// Where !tv goes: nowhere (it answers its error at once), a listing web page,
// or an XMLTV file.
using TvListingSource = std::variant<std::monostate, WebHost, XmltvFile>;

// How long a web lookup may wait: for the connection, for each page line,
// and for the whole fetch. A server that stays silent makes the lookup
// answer its error once a bound is reached.
struct PageLimits {
  int connect_ms = 15000;
  int line_ms = 15000;
  int fetch_ms = 30000;
};

// The IRC messages an answer to !word or !tv may take unless [Lookups]
// MaxReplyLines says otherwise; a longer answer is cut.
inline constexpr int kDefaultReplyLines = DefaultNumber(config::kMaxReplyLines);

// What the private and channel commands use of the running bot. The main
// form provides it; the command handlers keep no state of their own.
class BotContext {
 public:
  virtual ~BotContext() = default;

  virtual TIdIRC& Irc() = 0;
  virtual TMessageDisplay& Display() = 0;

  // The user file's full path, from the configuration in force right now.
  virtual std::string UsersFilePath() const = 0;
  // Parsed user files, checked against the file on disk at every use.
  virtual IniFileCache* UserFileCache() = 0;
  // The password of GENERALOWNER and RELOAD; none when Config.ini sets
  // none, and then both refuse every password.
  virtual std::optional<std::string> CurrentSecurityPassword() const = 0;
  // The configuration load of start-up; raises on a bad value.
  virtual void LoadConfig() = 0;

  // Failed logins by address, kept in memory for the whole run, with the
  // limits of the configuration in force.
  virtual LoginThrottle& FailedLogins() = 0;
  // Whether passwords are written hashed ([General] HashPasswords).
  virtual bool StoresHashedPasswords() const = 0;
  // Whether people are logged in by their services account ([Users]
  // AccountLogin).
  virtual bool LogsInByAccount() const { return false; }
  // Asks the server for the person's services account, to answer their
  // login as `name` once it is told (AnswerLoginByAccount); false when it
  // cannot be asked, and the login is answered at once.
  virtual bool AwaitAccount(const TIdIRCUser& /*user*/, const std::string& /*name*/) {
    return false;
  }

  // The connection of the lookups (web pages and DICT servers alike) and
  // where each lookup goes.
  virtual TIdTCPClient& PageClient() = 0;
  virtual DictionarySource Dictionary() const = 0;
  virtual TvListingSource TvListing() const = 0;
  virtual PageLimits PageTimeLimits() const { return {}; }
  // The IRC messages a lookup's answer may take, 1 or more.
  virtual int ReplyLines() const { return kDefaultReplyLines; }
  // The XMLTV file as last parsed, kept while the file is unchanged; none
  // parses the file at every lookup.
  virtual TvListingCache* TvCache() { return nullptr; }

  // The bans the bot keeps; none when it keeps none (its file could not be
  // read), and then the ban commands answer nothing.
  virtual BanList* Bans() { return nullptr; }
  // The channel's protection settings; none gives the defaults.
  virtual const ChannelSettings* ProtectionOf(const std::string& /*channel*/) const {
    return nullptr;
  }
  // Runs a private command that the layers above the users' own add (the
  // ban commands); false when the word is none of theirs.
  virtual bool RunChannelPrivate(const std::vector<std::string>& /*parts*/,
                                 const TIdIRCUser& /*user*/) {
    return false;
  }
  // Runs a channel command of the owner's scripts, for a "!" word that is
  // none of the bot's own; false when no script has it.
  virtual bool RunScriptChannel(const std::vector<std::string>& /*parts*/,
                                const TIdIRCUser& /*requester*/, const std::string& /*channel*/) {
    return false;
  }
  // The help text of a script's command by its upper-cased word; none when
  // no script has it.
  virtual std::optional<std::string> ScriptHelp(const std::string& /*key*/) { return std::nullopt; }
  // The help's line that lists the scripts' commands; empty when they have
  // none.
  virtual std::string ScriptCommandList() { return {}; }
  // The list changed: the timer of the next expiry is set again.
  virtual void BansChanged() {}
  // Seconds since the epoch, as the ban list counts.
  virtual std::int64_t UnixNow() const { return static_cast<std::int64_t>(std::time(nullptr)); }

  // A blocking pause of the user-interface thread (HELP, the page fetch);
  // tests record it instead of sleeping.
  virtual void Pause(int milliseconds) = 0;
};

}  // namespace zelmo
