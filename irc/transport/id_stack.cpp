#include "irc/transport/id_stack.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "irc/transport/transport_errors.h"
#include "shell/base/convert.h"

namespace zelmo {

namespace {

constexpr std::string_view kLoopback = "127.0.0.1";
constexpr std::size_t kMaxHostName = 250;

std::optional<int> ParseOctet(std::string_view part) {
  if (part.empty() || part.size() > 3) return std::nullopt;
  int value = 0;
  auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
  if (error != std::errc() || end != part.data() + part.size() || value > 255) {
    return std::nullopt;
  }
  return value;
}

constexpr auto kGiveUpLook = std::chrono::milliseconds(50);
constexpr std::size_t kLongestZone = 15;  // an interface name (IFNAMSIZ - 1)

// A lookup on a thread of its own, waited for at most timeout_ms. The C
// library cannot cancel a lookup under way, so one that outlasts the wait is
// left to finish on that thread; its outcome is shared with it and goes when
// both are done with it. A waiter that may give up looks every 50 ms.
template <typename Result>
Result LookUpWithin(const std::string& name, int timeout_ms,
                    std::function<Result(const std::string&)> lookup,
                    const std::function<bool()>& given_up) {
  struct Outcome {
    std::mutex mutex;
    std::condition_variable done_changed;
    bool done = false;
    Result address;
  };
  auto outcome = std::make_shared<Outcome>();
  std::thread([outcome, name, lookup = std::move(lookup)] {
    Result address;
    try {
      address = lookup(name);
    } catch (const std::exception&) {
      // A name service that fails knows no address for the name.
    }
    std::lock_guard lock(outcome->mutex);
    outcome->address = std::move(address);
    outcome->done = true;
    outcome->done_changed.notify_all();
  }).detach();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  std::unique_lock lock(outcome->mutex);
  while (!outcome->done) {
    if (given_up && given_up()) throw EIdSocketError(kWsaInterrupted);
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) throw EIdSocketError(kWsaTimedOut);
    const auto wait =
        given_up ? std::min<std::chrono::steady_clock::duration>(deadline - now, kGiveUpLook)
                 : deadline - now;
    outcome->done_changed.wait_for(lock, wait);
  }
  return outcome->address;
}

// A zone names an interface (eth0) or gives its number.
bool IsZone(std::string_view zone) {
  return !zone.empty() && zone.size() <= kLongestZone &&
         std::all_of(zone.begin(), zone.end(), [](char c) {
           return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
         });
}

// The address of a lookup's answer as text, with the zone of a link-local
// one, without which it cannot be reached.
std::string AddressText(const sockaddr* address) {
  std::array<char, INET6_ADDRSTRLEN> text{};
  if (address->sa_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
    if (inet_ntop(AF_INET, &v4->sin_addr, text.data(), text.size()) == nullptr) return {};
    return text.data();
  }
  const auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
  if (inet_ntop(AF_INET6, &v6->sin6_addr, text.data(), text.size()) == nullptr) return {};
  std::string result = text.data();
  if (v6->sin6_scope_id != 0) result += "%" + std::to_string(v6->sin6_scope_id);
  return result;
}

}  // namespace

std::optional<std::string> TIdStack::ParseDottedQuad(std::string_view text) {
  std::string plain;
  for (int index = 0; index < 4; ++index) {
    std::size_t dot = text.find('.');
    if ((index < 3) == (dot == std::string_view::npos)) return std::nullopt;
    std::string_view part = text.substr(0, dot);
    // from_chars accepts no sign, but keep "+1" and "-0" out explicitly.
    if (!part.empty() && (part.front() < '0' || part.front() > '9')) return std::nullopt;
    auto octet = ParseOctet(part);
    if (!octet) return std::nullopt;
    if (index > 0) plain += '.';
    plain += std::to_string(*octet);
    text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
  }
  return plain;
}

std::optional<std::string> TIdStack::SystemLookUp(const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
    return std::nullopt;
  }
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(found, freeaddrinfo);
  for (addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_family != AF_INET || entry->ai_addr == nullptr) continue;
    const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
    std::array<char, INET_ADDRSTRLEN> text{};
    if (inet_ntop(AF_INET, &address->sin_addr, text.data(), text.size()) != nullptr) {
      return std::string(text.data());
    }
  }
  return std::nullopt;
}

std::string TIdStack::ResolveHost(std::string_view host, int timeout_ms, const NameLookup& lookup) {
  if (SameText(host, "LOCALHOST")) return std::string(kLoopback);
  if (auto address = ParseDottedQuad(host)) return *address;
  // A name with an embedded NUL cannot be looked up; it is as unknown as any
  // other name that resolves to nothing.
  if (host.empty() || host.find('\0') != std::string_view::npos) {
    throw EIdSocketError(kWsaHostNotFound);
  }
  const NameLookup service = lookup ? lookup : NameLookup(SystemLookUp);
  const std::string name(host);
  auto address = timeout_ms > 0
                     ? LookUpWithin<std::optional<std::string>>(name, timeout_ms, service, {})
                     : service(name);
  if (!address) throw EIdSocketError(kWsaHostNotFound);
  return *address;
}

std::optional<std::string> TIdStack::ParseIPv6(std::string_view text) {
  const std::size_t percent = text.find('%');
  const std::string_view zone =
      percent == std::string_view::npos ? std::string_view() : text.substr(percent + 1);
  if (percent != std::string_view::npos && !IsZone(zone)) return std::nullopt;
  in6_addr binary{};
  const std::string plain(text.substr(0, percent));
  if (plain.find('\0') != std::string::npos) return std::nullopt;
  if (inet_pton(AF_INET6, plain.c_str(), &binary) != 1) return std::nullopt;
  std::array<char, INET6_ADDRSTRLEN> out{};
  if (inet_ntop(AF_INET6, &binary, out.data(), out.size()) == nullptr) return std::nullopt;
  std::string address = out.data();
  if (!zone.empty()) address.append("%").append(zone);
  return address;
}

std::vector<std::string> TIdStack::SystemLookUpAll(const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  std::vector<std::string> addresses;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
    return addresses;
  }
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(found, freeaddrinfo);
  for (addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_addr == nullptr) continue;
    if (entry->ai_family != AF_INET && entry->ai_family != AF_INET6) continue;
    std::string text = AddressText(entry->ai_addr);
    if (!text.empty()) addresses.push_back(std::move(text));
  }
  return addresses;
}

std::string_view TIdStack::Unbracketed(std::string_view host) {
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    return host.substr(1, host.size() - 2);
  }
  return host;
}

std::vector<std::string> TIdStack::ResolveHostAddresses(std::string_view host, int timeout_ms,
                                                        const AddressLookup& lookup,
                                                        const std::function<bool()>& given_up) {
  host = Unbracketed(host);
  if (SameText(host, "LOCALHOST")) return {std::string(kLoopback)};
  if (auto address = ParseDottedQuad(host)) return {*address};
  if (auto address = ParseIPv6(host)) return {*address};
  if (host.empty() || host.find('\0') != std::string_view::npos) {
    throw EIdSocketError(kWsaHostNotFound);
  }
  const AddressLookup service = lookup ? lookup : AddressLookup(SystemLookUpAll);
  const std::string name(host);
  auto addresses = timeout_ms > 0
                       ? LookUpWithin<std::vector<std::string>>(name, timeout_ms, service, given_up)
                       : service(name);
  if (addresses.empty()) throw EIdSocketError(kWsaHostNotFound);
  return addresses;
}

std::string TIdStack::HostName() {
  std::array<char, kMaxHostName + 1> name{};
  if (gethostname(name.data(), kMaxHostName) != 0) RaiseLastSocketError();
  return std::string(name.data());
}

std::string TIdStack::LocalAddress() {
  std::string name = HostName();
  if (name.empty()) return std::string(kLoopback);
  return SystemLookUp(name).value_or(std::string(kLoopback));
}

}  // namespace zelmo
