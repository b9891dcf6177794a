#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "irc/transport/id_stack.h"
#include "irc/transport/link_events.h"
#include "irc/transport/managed_buffer.h"
#include "irc/transport/socket_connect.h"
#include "irc/transport/socket_handle.h"
#include "irc/transport/tls_settings.h"
#include "irc/transport/transport_errors.h"

namespace zelmo {

enum class OverlongLineAction { maException, maSplit };

// What a check of a link that finds it down does besides closing the socket
// and firing OnDisconnected: carry on, raise "Connection Closed Gracefully."
// once no received bytes are left to read, or raise at once even with bytes
// left (a rest without its terminator is never a line).
enum class IfLinkDown { CarryOn, RaiseWhenDrained, RaiseAtOnce };

// One blocking TCP connection that sends texts and lines and receives lines
// out of an input buffer.
//
// One thread may receive while others send, check IsLinkUp or close the
// link. Every operation works on the socket handler and input buffer that
// were current when it began, holding them for its length, so a close from
// another thread wakes it without pulling the socket from under it, and a
// reader that outlives its connection never touches the next one. The going
// down of a socket is decided by one atomic step, so OnDisconnected fires
// once however many threads notice the closing together. No lock is held
// while an event fires or while a call waits for bytes.
class TIdTCPConnection {
 public:
  TIdTCPConnection();
  // Closes the socket without firing events. A thread still inside a
  // receive must have been stopped by its owner first.
  virtual ~TIdTCPConnection();
  TIdTCPConnection(const TIdTCPConnection&) = delete;
  TIdTCPConnection& operator=(const TIdTCPConnection&) = delete;

  int ReadTimeout = 0;  // milliseconds; 0 waits without limit
  int MaxLineLength = 16384;
  OverlongLineAction MaxLineAction = OverlongLineAction::maException;
  int RecvBufferSize = 32768;
  int SendBufferSize = 32768;
  bool UseNagle = true;
  // Who hears of the link opening and closing; nobody until set. Set it
  // before the link opens: the closing is told from other threads.
  void SetLinkEvents(LinkEvents& events) { link_events_.store(&events); }

  // The handler and input buffer one operation works on.
  struct Link {
    std::shared_ptr<TIdIOHandlerSocket> handler;  // empty: no handler
    std::shared_ptr<TIdManagedBuffer> input;
  };
  Link CurrentLink() const;

  void CloseLink();
  // Closes that link only if it is still up: a reader that outlives its
  // connection must not close the next one.
  void CloseLink(const Link& link);
  bool IsLinkUp();
  // Bounds every later send on the current link: one that cannot go on for
  // this long raises the socket error 10035 ("Operation would block. ").
  void SetSendTimeout(int timeout_ms);
  void SendText(std::string_view text);
  // Appends CR LF to whatever it is given.
  void SendLine(std::string_view text);
  // The same on one given link, so a writer never writes to the next one.
  void SendLine(const Link& link, std::string_view text);
  // When bytes last arrived, or the last link opened.
  std::chrono::steady_clock::time_point LastReceipt() const;
  // The next line without its terminator, and without a CR right before an
  // LF terminator. An empty terminator means LF; -1 takes ReadTimeout and
  // MaxLineLength.
  std::string ReceiveLine(std::string_view terminator = "\n", int timeout = -1,
                          int max_length = -1);
  // The same on one given link, so a reader never reads the next one's lines.
  std::string ReceiveLine(const Link& link, std::string_view terminator, int timeout,
                          int max_length);
  // The next LF-ended line if the input buffer already holds the whole of it
  // within MaxLineLength, without waiting; anything else stays for
  // ReceiveLine, which also deals with an overlong line.
  std::optional<std::string> TakeBufferedLine(const Link& link);
  // Bytes added to the input buffer, 0 when the link closed, -1 on time-out.
  int FillInputBuffer(bool raise_if_closed, int timeout, bool raise_on_timeout);
  void VerifyLinkOpen(bool raise, bool ignore_buffer);
  void VerifyLinkOpen(const Link& link, IfLinkDown if_down);
  bool ReadLnSplit() const { return split_.load(std::memory_order_relaxed); }
  bool ReadLnTimedOut() const { return timed_out_.load(std::memory_order_relaxed); }

  // The host's own IPv4 address as dotted text; needs no connection.
  static std::string LocalAddress();
  // The address this end of an IPv6 link has, written so that it can stand
  // as a parameter of an IRC line (never beginning with ":"); empty for an
  // IPv4 link or none.
  std::string LinkIPv6Address() const;

 protected:
  bool HasOpenSocket() const;
  // Drops a closed handler and starts an empty input buffer for the next
  // connection.
  void PrepareLink();
  // Makes a connected handler current.
  void Attach(std::shared_ptr<TIdIOHandlerSocket> handler);
  // Closes the socket and drops the handler if it is still the current one.
  void Detach(const std::shared_ptr<TIdIOHandlerSocket>& handler);
  void FireConnected();

 private:
  // Closes the link's socket; fires OnDisconnected when this call is the one
  // that closed it.
  void GoDown(const Link& link);
  bool LinkUp(const Link& link);
  int FillInputBuffer(const Link& link, bool raise_if_closed, int timeout, bool raise_on_timeout);
  int ReceiveChunk(const Link& link);
  std::string TooLong(TIdManagedBuffer& input, int max_length);
  static std::string TakeLine(TIdManagedBuffer& input, std::size_t length,
                              std::string_view terminator);
  void FireDisconnected();
  void SendText(const Link& link, std::string_view text);
  void NoteReceipt();

  LinkEvents no_link_events_;
  std::atomic<LinkEvents*> link_events_{&no_link_events_};
  mutable std::mutex link_mutex_;  // guards handler_ and input_ themselves
  std::shared_ptr<TIdIOHandlerSocket> handler_;
  std::shared_ptr<TIdManagedBuffer> input_;
  std::atomic<bool> split_{false};
  std::atomic<bool> timed_out_{false};
  std::atomic<std::chrono::steady_clock::rep> last_receipt_{0};
};

// A connection that connects to Host:Port.
class TIdTCPClient : public TIdTCPConnection {
 public:
  std::string Host;
  int Port = 0;
  std::string BoundIP;
  int BoundPort = 0;
  // The name service for Host and BoundIP; empty: the system's.
  NameLookup Resolver;
  // A name service giving every address of Host, tried in order until one
  // connects; used when Resolver is empty. Empty: the system's.
  AddressLookup AddressResolver;
  // Off: a plain TCP link. On: the link is secured before OnConnected, and
  // a failed handshake or certificate check raises EIdTLSError.
  TlsSettings Tls;

  // -1 or 0: as long as the platform's name lookup and connect take; a
  // positive value bounds the two together to that many milliseconds.
  void OpenLink(int timeout = -1);
  // The settings above, copied for a connect on another thread.
  ConnectTarget Target() const;

 protected:
  // Makes a handler that was connected elsewhere (to Target()) the link,
  // with a fresh input buffer, and fires OnConnected.
  void OpenOn(std::shared_ptr<TIdIOHandlerSocket> handler);
};

}  // namespace zelmo
