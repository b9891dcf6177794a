#pragma once

#include <optional>
#include <string>

namespace zelmo {

class IniFileCache;
class LoginThrottle;
class TMessageDisplay;
class TIdIRC;
class TIdTCPClient;

// Where a web lookup goes: a host name or dotted address and a port.
struct WebHost {
  std::string host;
  int port = 80;
};

// A lookup's host, or none when the bot was not pointed at a web service:
// the lookup then answers its error at once.
using WebHostSetting = std::optional<WebHost>;

// How long a web lookup may wait: for the connection, for each page line,
// and for the whole fetch. A server that stays silent makes the lookup
// answer its error once a bound is reached.
struct PageLimits {
  int connect_ms = 15000;
  int line_ms = 15000;
  int fetch_ms = 30000;
};

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
  virtual std::string CurrentSecurityPassword() const = 0;
  // The configuration load of start-up; raises on a bad value.
  virtual void LoadConfig() = 0;

  // Failed logins by address, kept in memory for the whole run, with the
  // limits of the configuration in force.
  virtual LoginThrottle& FailedLogins() = 0;
  // Whether passwords are written hashed ([General] HashPasswords).
  virtual bool StoresHashedPasswords() const = 0;

  // The page connection of the web lookups and their two hosts.
  virtual TIdTCPClient& PageClient() = 0;
  virtual WebHostSetting DictionaryHost() const = 0;
  virtual WebHostSetting TvHost() const = 0;
  virtual PageLimits PageTimeLimits() const { return {}; }

  // A blocking pause of the user-interface thread (HELP, the page fetch);
  // tests record it instead of sleeping.
  virtual void Pause(int milliseconds) = 0;
};

}  // namespace zelmo
