#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelmo::testing {

using std::chrono::milliseconds;

// The default bound of every wait of the scripted server.
inline constexpr milliseconds kScriptWait{10000};

// One connection of the bot to the scripted IRC server, driven by the test's
// thread. The server side sees every byte the bot sends, so a test can tell
// exactly which lines went out; and it can break the link in ways a real
// server only does by accident.
class ScriptedIrcPeer {
 public:
  explicit ScriptedIrcPeer(int fd);
  ~ScriptedIrcPeer();
  ScriptedIrcPeer(const ScriptedIrcPeer&) = delete;
  ScriptedIrcPeer& operator=(const ScriptedIrcPeer&) = delete;

  // Reads the bot's NICK and USER lines and welcomes it (numeric 001) under
  // that nick; returns the nick.
  std::optional<std::string> Register(milliseconds wait = kScriptWait);
  // Sends every byte, taking in what the bot sends meanwhile so that neither
  // side stalls on a full buffer. False when the bot is gone or the wait
  // ran out.
  bool Send(std::string_view bytes, milliseconds wait = kScriptWait);
  bool SendLine(std::string_view line, milliseconds wait = kScriptWait);
  // Sends what fits without waiting and without reading: the number of
  // bytes sent, 0 when nothing fits, -1 when the bot is gone.
  long TrySend(std::string_view bytes);

  // The next line from the bot, without CR LF.
  std::optional<std::string> ReadLine(milliseconds wait = kScriptWait);
  // Reads until a line satisfies the test; lines on the way are dropped.
  std::optional<std::string> AwaitLine(const std::function<bool(const std::string&)>& match,
                                       milliseconds wait = kScriptWait);
  // Reads until a line begins with the text.
  std::optional<std::string> AwaitLineStarting(const std::string& text,
                                               milliseconds wait = kScriptWait);
  // Sends "PING :token" and reads up to the bot's "PONG :token"; returns the
  // lines the bot sent before the PONG. The bot handles server lines in
  // order, so these are its answers to everything sent before the PING.
  std::optional<std::vector<std::string>> Sync(const std::string& token,
                                               milliseconds wait = kScriptWait);
  // The complete lines taken in so far that no read has returned yet.
  std::vector<std::string> TakeLines();

  // Ends the link with FIN, or with RST.
  void Close();
  void Reset();
  // True once the bot has closed its end; what it sent is kept for reads.
  bool WaitClosed(milliseconds wait = kScriptWait);
  bool BotClosed() const { return bot_closed_; }

 private:
  // Takes in whatever is ready now; false when the bot closed or failed.
  bool Drain();
  // Waits at most the time for bytes and takes them in; false on time-out,
  // close or error.
  bool ReceiveMore(milliseconds wait);
  std::optional<std::string> NextBufferedLine();

  int fd_;
  std::string pending_;
  bool bot_closed_ = false;
};

// A scripted IRC server on 127.0.0.1 with a port of the system's choice.
class ScriptedIrcServer {
 public:
  // A receive buffer above 0 keeps the kernel's buffer for what the bot
  // sends that small, so a server that stops reading stalls the bot soon.
  explicit ScriptedIrcServer(int receive_buffer = 0);
  ~ScriptedIrcServer();
  ScriptedIrcServer(const ScriptedIrcServer&) = delete;
  ScriptedIrcServer& operator=(const ScriptedIrcServer&) = delete;

  int Port() const { return port_; }
  // The next connection, or nullptr when none came within the wait.
  std::unique_ptr<ScriptedIrcPeer> Accept(milliseconds wait = kScriptWait);

 private:
  int fd_ = -1;
  int port_ = 0;
};

// A loopback port on which nothing listens: connecting to it is refused.
class RefusingPort {
 public:
  RefusingPort();
  ~RefusingPort();
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;

  int Port() const { return port_; }

 private:
  int fd_;
  int port_ = 0;
};

}  // namespace zelmo::testing
