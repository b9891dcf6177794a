#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "shell/base/ui_port.h"
#include "shell/channel_rejoin.h"
#include "shell/form_callbacks.h"
#include "shell/nick_regain.h"
#include "shell/reconnect_backoff.h"

namespace zelmo {

class TIdIRC;
class TMessageDisplay;
struct ConnectFailure;

// Connecting, disconnecting, and the repair of an unexpected loss of the
// link: one attempt at once, or with [Me] Reconnect=always attempts after
// the back-off's waits until one holds.
class Reconnection {
 public:
  Reconnection(TIdIRC& irc, TMessageDisplay& display, UiPort& port, FormCallbacks& form,
               ChannelRejoin& rejoin, NickRegain& regain);
  Reconnection(const Reconnection&) = delete;
  Reconnection& operator=(const Reconnection&) = delete;

  // From a connect started until the operator disconnects: while it is
  // true a loss of the link is unexpected and is repaired.
  bool ReconnectWanted = false;
  // [Me] Reconnect=always.
  bool ReconnectAlways = false;

  void ConnectToServer();
  // The connect of [Me] AutoConnect; with Reconnect=always a failure is
  // tried again like a lost link.
  void AutoConnect();
  void DisconnectFromServer(const std::string& quit_text);
  // A link opened: it gets the next connection number.
  void LinkOpened();
  // The server's welcome on the current link.
  void Registered();
  // A connect that was started did not open a link.
  void ConnectFailed(const ConnectFailure& failure);
  // The loss of the link with this connection number.
  void LinkLost(unsigned connection);
  // The number of the latest link; read on any thread.
  unsigned CurrentConnection() const { return connections_opened_.load(); }
  // The bot closes the link itself (a failed SASL login): its loss is no
  // one's doing at the console and is not repaired.
  void ClosedByBot();
  void CancelReconnect();
  void ReconnectTimerTimer();
  // The automatic attempt that waits for its time, if any.
  struct PendingAttempt {
    ReconnectBackoff::Clock::time_point due;
    int attempt;
  };
  std::optional<PendingAttempt> Pending() const;

 private:
  // Who started the connect under way or the link it opened.
  enum class ConnectOrigin { Operator, AutoConnect, Automatic };
  // Starts a connect: "Connecting to ..." for the operator's own.
  void StartConnect(ConnectOrigin origin);
  // Settings that no server could make work are refused before connecting.
  void CheckConnectSettings() const;
  void ConnectAutomatically();
  // An unexpected loss of a link that other parts still describe.
  void RepairLoss();
  // An automatic attempt failed or its link did not hold: another attempt
  // later (Reconnect=always, a reason that may pass), or one line saying
  // the bot stays offline.
  void AutomaticAttemptFailed(const std::string& reason, bool permanent);
  // The link of an automatic attempt was lost before it held for a minute
  // past the welcome: why, in words; none when it held.
  std::optional<std::string> ShortLivedLink() const;
  // Shows the next wait of the back-off and starts it.
  void ScheduleReconnect();

  TIdIRC& irc_;
  TMessageDisplay& display_;
  UiPort& port_;
  FormCallbacks& form_;
  ChannelRejoin& rejoin_;
  NickRegain& regain_;
  std::unique_ptr<UiTimer> reconnect_timer_;
  // Numbers the connections, so that a disconnect notice about an older one
  // (closed by a new CONNECT) repairs nothing.
  std::atomic<unsigned> connections_opened_{0};
  // The connection that the operator's last CONNECT closed.
  std::optional<unsigned> replaced_connection_;
  // When the server welcomed the bot on the current link.
  std::optional<ReconnectBackoff::Clock::time_point> registered_at_;
  ConnectOrigin connect_origin_ = ConnectOrigin::Operator;
  // The bot itself closed the link: see ClosedByBot.
  bool closed_by_bot_ = false;
  PendingAttempt pending_{};
  std::mt19937 random_{std::random_device{}()};
  ReconnectBackoff backoff_{[this] { return std::uniform_real_distribution<double>()(random_); }};
};

}  // namespace zelmo
