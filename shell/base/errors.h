#pragma once

#include <stdexcept>
#include <string>

namespace zelmo {

// Every failure of the bot is an exception that carries the message text the
// operator or the caller sees; catch points show or drop that text.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// A text that should have been a number.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// An index outside a list, as in "List index out of bounds (1)".
class EListError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace zelmo
