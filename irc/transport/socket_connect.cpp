#include "irc/transport/socket_connect.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <variant>

#include "irc/transport/transport_errors.h"

namespace zelmo {

namespace {

using Clock = std::chrono::steady_clock;

// One address's connect: a dead address must not hold the next back for
// the kernel's whole timeout.
constexpr int kAttemptBound = 10000;

// What is left of a bound for the next step; never 0, which means none.
class Budget {
 public:
  explicit Budget(int timeout_ms)
      : bounded_(timeout_ms > 0),
        timeout_ms_(timeout_ms),
        deadline_(Clock::now() + std::chrono::milliseconds(timeout_ms)) {}
  int Left() const {
    if (!bounded_) return timeout_ms_;
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
    if (ms <= 0) throw EIdSocketError(kWsaTimedOut);
    return static_cast<int>(ms);
  }
  int ForOneAddress() const {
    const int left = Left();
    return left > 0 ? std::min(left, kAttemptBound) : kAttemptBound;
  }

 private:
  bool bounded_;
  int timeout_ms_;
  Clock::time_point deadline_;
};

std::vector<std::string> Addresses(const ConnectTarget& target, const Budget& budget,
                                   ConnectCancel* cancel) {
  if (target.resolver) {
    // A single-address name service still takes literals and LOCALHOST as
    // they are.
    return {TIdStack::ResolveHost(target.host, budget.Left(), target.resolver)};
  }
  std::function<bool()> given_up;
  if (cancel) given_up = [cancel] { return cancel->Cancelled(); };
  return TIdStack::ResolveHostAddresses(target.host, budget.Left(), target.address_resolver,
                                        given_up);
}

std::shared_ptr<TIdIOHandlerSocket> ConnectTo(const ConnectTarget& target,
                                              const std::string& address, const Budget& budget,
                                              ConnectCancel* cancel) {
  auto handler = std::make_shared<TIdIOHandlerSocket>(TIdSocketHandle::FamilyOf(address));
  if (cancel) cancel->Watch(handler);
  TIdSocketHandle& socket = handler->Binding();
  if (!target.bound_ip.empty() || target.bound_port != 0) {
    socket.Bind(target.bound_ip.empty()
                    ? std::string()
                    : TIdStack::ResolveHost(target.bound_ip, budget.Left(), target.resolver),
                target.bound_port);
  }
  if (!target.use_nagle) socket.SetNoDelay();
  socket.Connect(address, target.port, budget.ForOneAddress());
  if (target.tls.enabled) {
    handler->StartTls(std::string(TIdStack::Unbracketed(target.host)), target.tls, budget.Left());
  }
  return handler;
}

}  // namespace

void ConnectCancel::Cancel() {
  std::shared_ptr<TIdIOHandlerSocket> watched;
  {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    watched = watched_;
  }
  if (watched) watched->Binding().Close();
}

bool ConnectCancel::Cancelled() const {
  std::lock_guard lock(mutex_);
  return cancelled_;
}

void ConnectCancel::Watch(std::shared_ptr<TIdIOHandlerSocket> handler) {
  bool cancelled = false;
  {
    std::lock_guard lock(mutex_);
    watched_ = handler;
    cancelled = cancelled_;
  }
  if (cancelled) handler->Binding().Close();
}

void ConnectCancel::Release() {
  std::lock_guard lock(mutex_);
  watched_.reset();
}

// A failure leaves no handler behind: the socket is released with it.
std::shared_ptr<TIdIOHandlerSocket> ConnectSocket(const ConnectTarget& target, int timeout_ms,
                                                  ConnectCancel* cancel) {
  const Budget budget(timeout_ms);
  std::variant<std::monostate, EIdSocketError, EIdTLSError> last_error;
  for (const std::string& address : Addresses(target, budget, cancel)) {
    budget.Left();  // raises once the whole bound is spent
    try {
      auto handler = ConnectTo(target, address, budget, cancel);
      if (cancel) cancel->Release();
      return handler;
    } catch (const EIdSocketError& error) {
      // The next address may answer; only the last failure is reported.
      last_error = error;
    } catch (const EIdTLSError& error) {
      // A certificate refused here is refused by every address; a
      // handshake cut short may go through elsewhere.
      if (error.Permanent()) throw;
      last_error = error;
    }
    if (cancel && cancel->Cancelled()) break;
  }
  if (auto* error = std::get_if<EIdTLSError>(&last_error)) throw *error;
  if (auto* error = std::get_if<EIdSocketError>(&last_error)) throw *error;
  throw EIdSocketError(kWsaHostNotFound);
}

}  // namespace zelmo
