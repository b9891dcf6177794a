#include "users/login_throttle.h"

#include <iterator>
#include <utility>

namespace zelmo {

LoginThrottle::Attempt::Attempt(LoginThrottle& throttle, std::string_view address)
    : throttle_(throttle), address_(address) {
  if (throttle_.limits_.failures <= 0) return;
  record_ = throttle_.Find(address_, throttle_.now_());
  blocked_ = record_ && (*record_)->blocked_until.has_value();
}

bool LoginThrottle::Attempt::Failed() {
  const Limits& limits = throttle_.limits_;
  if (limits.failures <= 0 || blocked_) return false;
  const TimePoint now = throttle_.now_();
  if (!record_) record_ = throttle_.Add(address_, now);
  Record& record = **record_;
  // The most recently failed address is the last to be forgotten.
  throttle_.by_age_.splice(throttle_.by_age_.end(), throttle_.by_age_, *record_);
  if (++record.failures < limits.failures) return false;
  record.blocked_until = now + limits.window;
  blocked_ = true;
  return true;
}

void LoginThrottle::Attempt::Succeeded() {
  if (!record_) return;
  throttle_.Forget(*record_);
  record_.reset();
}

LoginThrottle::LoginThrottle(Clock now) : now_(std::move(now)) {}

void LoginThrottle::SetLimits(Limits limits) {
  limits_ = limits;
  if (limits_.failures > 0) return;
  by_address_.clear();
  by_age_.clear();
}

std::optional<LoginThrottle::Records::iterator> LoginThrottle::Find(std::string_view address,
                                                                    TimePoint now) {
  const auto found = by_address_.find(address);
  if (found == by_address_.end()) return std::nullopt;
  const Record& record = *found->second;
  const bool over = record.blocked_until ? now >= *record.blocked_until
                                         : now - record.window_start >= limits_.window;
  if (!over) return found->second;
  Forget(found->second);
  return std::nullopt;
}

LoginThrottle::Records::iterator LoginThrottle::Add(std::string_view address, TimePoint now) {
  if (by_address_.size() >= kMaxAddresses) Forget(by_age_.begin());
  by_age_.push_back(Record{std::string(address), now, 0, std::nullopt});
  const auto record = std::prev(by_age_.end());
  // The key views the record's own copy of the address, which never moves.
  by_address_.emplace(record->address, record);
  return record;
}

void LoginThrottle::Forget(Records::iterator record) {
  by_address_.erase(record->address);
  by_age_.erase(record);
}

}  // namespace zelmo
