#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace zelmo {

// Failed logins counted by IRC address, in memory only. After `failures`
// failed logins from one address within `window` of the first of them,
// logins from that address are refused for `window` from the last one. A
// successful login forgets the address. At most kMaxAddresses are kept; the
// one whose last failure is oldest is forgotten first.
class LoginThrottle {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  using Clock = std::function<TimePoint()>;

  static constexpr std::size_t kMaxAddresses = 10000;

  struct Limits {
    int failures = 5;  // 0: nothing is counted and nothing refused
    std::chrono::seconds window{60};
  };

 private:
  struct Record;
  using Records = std::list<Record>;  // std::list may name an incomplete type

 public:
  // One login from one address, looked up once: a successful login costs
  // that lookup and, when the address had failed before, the removal.
  class Attempt {
   public:
    bool Blocked() const { return blocked_; }
    // Counts the failure; true when it is the one that starts the block.
    bool Failed();
    void Succeeded();

   private:
    friend class LoginThrottle;
    Attempt(LoginThrottle& throttle, std::string_view address);

    LoginThrottle& throttle_;
    std::string_view address_;
    std::optional<Records::iterator> record_;
    bool blocked_ = false;
  };

  explicit LoginThrottle(Clock now = std::chrono::steady_clock::now);

  // A new configuration; turning the count off forgets every address.
  void SetLimits(Limits limits);
  const Limits& CurrentLimits() const { return limits_; }

  // The attempt must end before anything else changes the throttle.
  Attempt Begin(std::string_view address) { return Attempt(*this, address); }

  std::size_t AddressCount() const { return by_address_.size(); }

 private:
  // The address's record, dropped first when its count or its block is over.
  std::optional<Records::iterator> Find(std::string_view address, TimePoint now);
  Records::iterator Add(std::string_view address, TimePoint now);
  void Forget(Records::iterator record);

  Clock now_;
  Limits limits_;
  Records by_age_;  // the least recently failed first
  std::unordered_map<std::string_view, Records::iterator> by_address_;
};

struct LoginThrottle::Record {
  std::string address;
  TimePoint window_start;
  int failures = 0;
  std::optional<TimePoint> blocked_until;
};

}  // namespace zelmo
