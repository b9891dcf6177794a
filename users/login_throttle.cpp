#include "users/login_throttle.h"

#include <iterator>
#include <utility>

namespace zelmo {

LoginThrottle::Attempt::Attempt(LoginThrottle& throttle, std::string_view host)
    : throttle_(throttle), host_(host) {
  if (throttle_.limits_.failures <= 0) return;
  record_ = throttle_.Find(host_, throttle_.now_());
  blocked_ = record_ && (*record_)->blocked_until.has_value();
}

bool LoginThrottle::Attempt::Failed() {
  const Limits& limits = throttle_.limits_;
  if (limits.failures <= 0 || blocked_) return false;
  const TimePoint now = throttle_.now_();
  if (!record_) record_ = throttle_.Add(host_, now);
  Record& record = **record_;
  // The most recently failed host is the last to be forgotten.
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

std::string_view LoginThrottle::HostOf(std::string_view address) {
  const std::size_t at = address.rfind('@');
  return at == std::string_view::npos ? address : address.substr(at + 1);
}

void LoginThrottle::SetLimits(Limits limits) {
  limits_ = limits;
  if (limits_.failures > 0) return;
  by_host_.clear();
  by_age_.clear();
}

std::optional<LoginThrottle::Records::iterator> LoginThrottle::Find(std::string_view host,
                                                                    TimePoint now) {
  const auto found = by_host_.find(host);
  if (found == by_host_.end()) return std::nullopt;
  const Record& record = *found->second;
  const bool over = record.blocked_until ? now >= *record.blocked_until
                                         : now - record.window_start >= limits_.window;
  if (!over) return found->second;
  Forget(found->second);
  return std::nullopt;
}

LoginThrottle::Records::iterator LoginThrottle::Add(std::string_view host, TimePoint now) {
  if (by_host_.size() >= kMaxHosts) Forget(by_age_.begin());
  by_age_.push_back(Record{std::string(host), now, 0, std::nullopt});
  const auto record = std::prev(by_age_.end());
  // The key views the record's own copy of the host, which never moves.
  by_host_.emplace(record->host, record);
  return record;
}

void LoginThrottle::Forget(Records::iterator record) {
  by_host_.erase(record->host);
  by_age_.erase(record);
}

}  // namespace zelmo
