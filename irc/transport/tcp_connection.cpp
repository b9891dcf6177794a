#include "irc/transport/tcp_connection.h"

#include <sys/socket.h>

#include <algorithm>

#include "irc/transport/id_stack.h"

namespace zelmo {

namespace {

// A fill that may raise on a closed link still hands out the lines already
// received first.
IfLinkDown WhenClosed(bool raise_if_closed) {
  return raise_if_closed ? IfLinkDown::RaiseWhenDrained : IfLinkDown::CarryOn;
}

// Errors after which the socket is of no further use: the link is lost.
bool IsLinkLoss(int code) {
  return code == kWsaConnAborted || code == kWsaConnReset || code == kWsaShutdown;
}

bool IsOpen(const std::shared_ptr<TIdIOHandlerSocket>& handler) {
  return handler && handler->Connected();
}

}  // namespace

TIdTCPConnection::TIdTCPConnection() : input_(std::make_shared<TIdManagedBuffer>()) {}

TIdTCPConnection::~TIdTCPConnection() {
  std::shared_ptr<TIdIOHandlerSocket> handler;
  {
    std::lock_guard lock(link_mutex_);
    handler = std::move(handler_);
  }
  if (handler) handler->Binding().Close();
}

TIdTCPConnection::Link TIdTCPConnection::CurrentLink() const {
  std::lock_guard lock(link_mutex_);
  return {handler_, input_};
}

bool TIdTCPConnection::HasOpenSocket() const {
  return IsOpen(CurrentLink().handler);
}

void TIdTCPConnection::PrepareLink() {
  auto input = std::make_shared<TIdManagedBuffer>();
  std::shared_ptr<TIdIOHandlerSocket> dropped;
  std::lock_guard lock(link_mutex_);
  dropped = std::move(handler_);
  input_ = std::move(input);
}

void TIdTCPConnection::Attach(std::shared_ptr<TIdIOHandlerSocket> handler) {
  NoteReceipt();
  std::lock_guard lock(link_mutex_);
  handler_ = std::move(handler);
}

void TIdTCPConnection::Detach(const std::shared_ptr<TIdIOHandlerSocket>& handler) {
  if (handler) handler->Binding().Close();
  std::shared_ptr<TIdIOHandlerSocket> dropped;  // released after the lock
  std::lock_guard lock(link_mutex_);
  if (handler_ == handler) dropped = std::move(handler_);
}

void TIdTCPConnection::FireConnected() {
  link_events_.load()->OnConnected();
}

void TIdTCPConnection::FireDisconnected() {
  link_events_.load()->OnDisconnected();
}

void TIdTCPConnection::GoDown(const Link& link) {
  if (link.handler && link.handler->Binding().Close()) FireDisconnected();
}

void TIdTCPConnection::CloseLink() {
  CloseLink(CurrentLink());
}

void TIdTCPConnection::CloseLink(const Link& link) {
  bool closed_here = LinkUp(link) && link.handler->Binding().Close();
  {
    std::shared_ptr<TIdIOHandlerSocket> dropped;
    std::lock_guard lock(link_mutex_);
    if (handler_ == link.handler) dropped = std::move(handler_);
  }
  if (closed_here) FireDisconnected();
}

void TIdTCPConnection::SetSendTimeout(int timeout_ms) {
  Link link = CurrentLink();
  if (IsOpen(link.handler)) link.handler->Binding().SetSendTimeout(timeout_ms);
}

bool TIdTCPConnection::IsLinkUp() {
  return LinkUp(CurrentLink());
}

bool TIdTCPConnection::LinkUp(const Link& link) {
  VerifyLinkOpen(link, IfLinkDown::CarryOn);
  return IsOpen(link.handler);
}

void TIdTCPConnection::VerifyLinkOpen(bool raise, bool ignore_buffer) {
  VerifyLinkOpen(CurrentLink(), !raise          ? IfLinkDown::CarryOn
                                : ignore_buffer ? IfLinkDown::RaiseAtOnce
                                                : IfLinkDown::RaiseWhenDrained);
}

void TIdTCPConnection::VerifyLinkOpen(const Link& link, IfLinkDown if_down) {
  bool down = false;
  if (link.handler) {
    TIdSocketHandle& socket = link.handler->Binding();
    if (socket.ClosedMark()) {
      GoDown(link);
      down = true;
    } else {
      down = !socket.IsOpen();
    }
  }
  if (!down || if_down == IfLinkDown::CarryOn) return;
  if (if_down == IfLinkDown::RaiseAtOnce || link.input->Empty()) throw EIdConnClosedGracefully();
}

int TIdTCPConnection::FillInputBuffer(bool raise_if_closed, int timeout, bool raise_on_timeout) {
  return FillInputBuffer(CurrentLink(), raise_if_closed, timeout, raise_on_timeout);
}

int TIdTCPConnection::FillInputBuffer(const Link& link, bool raise_if_closed, int timeout,
                                      bool raise_on_timeout) {
  if (timeout == -1) timeout = ReadTimeout;
  VerifyLinkOpen(link, WhenClosed(raise_if_closed));
  if (!IsOpen(link.handler)) {
    if (raise_if_closed) throw EIdNotConnected();
    return 0;
  }
  const TIdSocketHandle& socket = link.handler->Binding();
  int received = 0;
  do {
    if (!link.handler->WaitReadable(timeout)) {
      if (raise_on_timeout) throw EIdReadTimeout();
      return -1;
    }
    received = ReceiveChunk(link);
    VerifyLinkOpen(link, WhenClosed(raise_if_closed));
  } while (received == 0 && socket.IsOpen());
  return received;
}

// One receive straight into the end of the input buffer.
int TIdTCPConnection::ReceiveChunk(const Link& link) {
  TIdSocketHandle& socket = link.handler->Binding();
  TIdManagedBuffer& input = *link.input;
  auto room = input.Reserve(static_cast<std::size_t>(std::max(RecvBufferSize, 1)));
  IoResult result = link.handler->Receive(room);
  input.Commit(result.bytes);
  if (result.bytes > 0) NoteReceipt();
  if (result.error == 0) {
    if (result.bytes == 0) socket.MarkClosed();
    return static_cast<int>(result.bytes);
  }
  if (IsLinkLoss(result.error)) {
    GoDown(link);
    // Lines that arrived before the loss can still be read.
    if (!input.Empty()) return 0;
  }
  throw EIdSocketError(result.error);
}

std::string TIdTCPConnection::ReceiveLine(std::string_view terminator, int timeout,
                                          int max_length) {
  return ReceiveLine(CurrentLink(), terminator, timeout, max_length);
}

std::string TIdTCPConnection::ReceiveLine(const Link& link, std::string_view terminator,
                                          int timeout, int max_length) {
  if (terminator.empty()) terminator = "\n";
  if (max_length == -1) max_length = MaxLineLength;
  const bool raise_on_timeout = timeout == -1;
  split_.store(false, std::memory_order_relaxed);
  timed_out_.store(false, std::memory_order_relaxed);
  TIdManagedBuffer& input = *link.input;
  // How much of the unread bytes has been searched; nothing is taken from
  // the buffer until a line is found, so this stays valid between passes.
  std::size_t searched = 0;
  for (;;) {
    std::string_view unread = input.View();
    std::size_t from = searched >= terminator.size() ? searched - (terminator.size() - 1) : 0;
    std::size_t at = unread.find(terminator, from);
    searched = unread.size();
    if (at != std::string_view::npos) {
      if (max_length > 0 && at > static_cast<std::size_t>(max_length)) {
        return TooLong(input, max_length);
      }
      return TakeLine(input, at, terminator);
    }
    if (max_length > 0 && unread.size() > static_cast<std::size_t>(max_length)) {
      return TooLong(input, max_length);
    }
    // A closed link raises here even with an unterminated rest in the
    // buffer: such a last fragment is never handed out as a line.
    VerifyLinkOpen(link, IfLinkDown::RaiseAtOnce);
    if (FillInputBuffer(link, true, timeout, raise_on_timeout) == -1) {
      timed_out_.store(true, std::memory_order_relaxed);
      return {};
    }
  }
}

std::optional<std::string> TIdTCPConnection::TakeBufferedLine(const Link& link) {
  TIdManagedBuffer& input = *link.input;
  const std::size_t at = input.View().find('\n');
  if (at == std::string_view::npos) return std::nullopt;
  if (MaxLineLength > 0 && at > static_cast<std::size_t>(MaxLineLength)) return std::nullopt;
  return TakeLine(input, at, "\n");
}

// A CR is dropped only right before an LF terminator.
std::string TIdTCPConnection::TakeLine(TIdManagedBuffer& input, std::size_t length,
                                       std::string_view terminator) {
  std::string line = input.Extract(length + terminator.size());
  line.resize(length);
  if (terminator == "\n" && !line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string TIdTCPConnection::TooLong(TIdManagedBuffer& input, int max_length) {
  if (MaxLineAction == OverlongLineAction::maException) throw EIdReadLnMaxLineLengthExceeded();
  split_.store(true, std::memory_order_relaxed);
  return input.Extract(static_cast<std::size_t>(max_length));
}

void TIdTCPConnection::NoteReceipt() {
  last_receipt_.store(std::chrono::steady_clock::now().time_since_epoch().count(),
                      std::memory_order_relaxed);
}

std::chrono::steady_clock::time_point TIdTCPConnection::LastReceipt() const {
  return std::chrono::steady_clock::time_point(
      std::chrono::steady_clock::duration(last_receipt_.load(std::memory_order_relaxed)));
}

void TIdTCPConnection::SendText(std::string_view text) {
  SendText(CurrentLink(), text);
}

void TIdTCPConnection::SendText(const Link& link, std::string_view text) {
  if (text.empty()) return;
  VerifyLinkOpen(link, IfLinkDown::RaiseAtOnce);
  if (!IsOpen(link.handler)) throw EIdNotConnected();
  TIdSocketHandle& socket = link.handler->Binding();
  while (!text.empty()) {
    IoResult result = link.handler->Send(text);
    if (result.error != 0) {
      if (IsLinkLoss(result.error)) GoDown(link);
      throw EIdSocketError(result.error);
    }
    if (result.bytes == 0) socket.MarkClosed();
    text.remove_prefix(result.bytes);
    VerifyLinkOpen(link, IfLinkDown::RaiseWhenDrained);
  }
}

void TIdTCPConnection::SendLine(std::string_view text) {
  SendLine(CurrentLink(), text);
}

void TIdTCPConnection::SendLine(const Link& link, std::string_view text) {
  std::string line;
  line.reserve(text.size() + 2);
  line.append(text).append("\r\n");
  SendText(link, line);
}

std::string TIdTCPConnection::LocalAddress() {
  return TIdStack::LocalAddress();
}

std::string TIdTCPConnection::LinkIPv6Address() const {
  const Link link = CurrentLink();
  if (!link.handler || link.handler->Binding().Family() != AF_INET6) return {};
  std::string address = link.handler->Binding().LocalIP();
  // "::1" would read as a trailing parameter; "0::1" is the same address.
  if (address.starts_with(':')) address = "0" + address;
  return address;
}

}  // namespace zelmo
