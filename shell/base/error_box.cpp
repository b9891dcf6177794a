#include "shell/base/error_box.h"

namespace zelmo {

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

std::string ErrorBoxText(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return ErrorBoxText(std::string(e.what()));
  } catch (...) {
    return ErrorBoxText(std::string("Unknown error"));
  }
}

}  // namespace zelmo
