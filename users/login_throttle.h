#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "shell/base/config_keys.h"

namespace zelmo {

// Failed logins counted by host, in memory only: the host of an IRC address
// (see HostOf), as the ident before it is the client's to choose on most
// servers and a new one must not buy new guesses. After `failures` failed
// logins from one host within `window` of the first of them, logins from
// that host are refused for `window` from the last one. A successful login
// forgets the host. At most kMaxHosts are kept; the one whose last
// failure is oldest is forgotten first.
class LoginThrottle {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  using Clock = std::function<TimePoint()>;

  static constexpr std::size_t kMaxHosts = 10000;

  struct Limits {
    int failures = DefaultNumber(config::kLoginFailures);  // 0: nothing counted or refused
    std::chrono::seconds window{DefaultNumber(config::kLoginBlockSeconds)};
  };

 private:
  struct Record;
  using Records = std::list<Record>;  // std::list may name an incomplete type

 public:
  // One login from one host, looked up once: a successful login costs that
  // lookup and, when the host had failed before, the removal.
  class Attempt {
   public:
    bool Blocked() const { return blocked_; }
    // Counts the failure; true when it is the one that starts the block.
    bool Failed();
    void Succeeded();

   private:
    friend class LoginThrottle;
    Attempt(LoginThrottle& throttle, std::string_view host);

    LoginThrottle& throttle_;
    std::string_view host_;
    std::optional<Records::iterator> record_;
    bool blocked_ = false;
  };

  explicit LoginThrottle(Clock now = std::chrono::steady_clock::now);

  // A new configuration; turning the count off forgets every host.
  void SetLimits(Limits limits);
  const Limits& CurrentLimits() const { return limits_; }

  // The attempt, counted for the address's host, must end before anything
  // else changes the throttle.
  Attempt Begin(std::string_view address) { return Attempt(*this, HostOf(address)); }

  // The part of an IRC address after its last "@" (a host never holds one);
  // the whole address when it has none.
  static std::string_view HostOf(std::string_view address);

  std::size_t HostCount() const { return by_host_.size(); }

 private:
  // The host's record, dropped first when its count or its block is over.
  std::optional<Records::iterator> Find(std::string_view host, TimePoint now);
  Records::iterator Add(std::string_view host, TimePoint now);
  void Forget(Records::iterator record);

  Clock now_;
  Limits limits_;
  Records by_age_;  // the least recently failed first
  std::unordered_map<std::string_view, Records::iterator> by_host_;
};

struct LoginThrottle::Record {
  std::string host;
  TimePoint window_start;
  int failures = 0;
  std::optional<TimePoint> blocked_until;
};

}  // namespace zelmo
