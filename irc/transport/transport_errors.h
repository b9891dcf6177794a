#pragma once

#include <string>

#include "shell/base/errors.h"

namespace zelmo {

// Base of every error the line transport raises.
class EIdException : public Exception {
 public:
  using Exception::Exception;
};

class EIdAlreadyConnected : public EIdException {
 public:
  using EIdException::EIdException;
  EIdAlreadyConnected() : EIdException("Already connected.") {}
};

class EIdNotConnected : public EIdException {
 public:
  using EIdException::EIdException;
  EIdNotConnected() : EIdException("Not Connected") {}
};

class EIdConnClosedGracefully : public EIdException {
 public:
  using EIdException::EIdException;
  EIdConnClosedGracefully() : EIdException("Connection Closed Gracefully.") {}
};

class EIdReadTimeout : public EIdException {
 public:
  using EIdException::EIdException;
  EIdReadTimeout() : EIdException("Read Timeout") {}
};

class EIdReadLnMaxLineLengthExceeded : public EIdException {
 public:
  using EIdException::EIdException;
  EIdReadLnMaxLineLengthExceeded() : EIdException("Max line length exceeded.") {}
};

// A TLS handshake or certificate check that failed; the text says why. A
// permanent one (a certificate, a pin, a setting) would fail the same way
// on every attempt.
class EIdTLSError : public EIdException {
 public:
  explicit EIdTLSError(const std::string& message, bool permanent = true)
      : EIdException(message), permanent_(permanent) {}
  bool Permanent() const { return permanent_; }

 private:
  bool permanent_;
};

// A failure reported by the socket layer, numbered as Windows Sockets numbers
// its errors, so the texts read the same on every platform.
class EIdSocketError : public EIdException {
 public:
  explicit EIdSocketError(int code);
  int LastError() const { return code_; }

 private:
  int code_;
};

// Codes of the table that the transport itself tests for.
inline constexpr int kWsaWouldBlock = 10035;  // also: a send that ran out of time
inline constexpr int kWsaInterrupted = 10004;
inline constexpr int kWsaConnAborted = 10053;
inline constexpr int kWsaConnReset = 10054;
inline constexpr int kWsaShutdown = 10058;
inline constexpr int kWsaTimedOut = 10060;
inline constexpr int kWsaAddrNotAvail = 10049;
inline constexpr int kWsaHostNotFound = 11001;

// "Socket Error # <code>", CR LF, and the reason for the code (empty when the
// code has none).
std::string SocketErrorMessage(int code);

// The reason alone, as a sentence for the operator ("Connection
// refused."); "Socket Error # <code>" for a code without one.
std::string SocketErrorReason(int code);

// The table's code for an errno value; a value without an equivalent keeps
// its own number.
int WinsockCode(int posix_errno);

// Raises EIdSocketError for the current errno.
[[noreturn]] void RaiseLastSocketError();

}  // namespace zelmo
