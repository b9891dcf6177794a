// The integer reading of stored rights and usermod's rights argument, and
// the INI store's ReadInteger, checked against a digit-by-digit second
// opinion.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "shell/base/convert.h"
#include "shell/base/errors.h"
#include "support/fuzz_check.h"
#include "support/model_integer.h"
#include "users/rights.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zelmo;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<std::int32_t> value = TryStrToInt(text);
  const std::optional<std::int32_t> expected = fuzz::ModelInteger(text);
  FUZZ_CHECK(value == expected);
  // Configuration values are the same numbers, less those after a bare "x".
  const std::size_t lead = text.find_first_not_of(' ');
  const bool bare_x = lead != std::string_view::npos && (text[lead] == 'x' || text[lead] == 'X');
  const std::optional<std::int32_t> config = TryConfigInteger(text);
  FUZZ_CHECK(config == (bare_x ? std::nullopt : value));
  FUZZ_CHECK(StrToIntDef(text, 12345) == config.value_or(12345));

  try {
    FUZZ_CHECK(StrToInt(text) == *value);
  } catch (const EConvertError& error) {
    FUZZ_CHECK(!value);
    // The message is a C string: it ends at a NUL byte of the text.
    const std::string message = "'" + std::string(text) + "' is not a valid integer value";
    FUZZ_CHECK(std::string(error.what()) == message.substr(0, message.find('\0')));
  }

  // A rights level is the low byte of the value, as a signed byte.
  try {
    const std::int8_t level = ParseRightsLevel(text);
    FUZZ_CHECK(value.has_value());
    FUZZ_CHECK(level == static_cast<std::int8_t>(static_cast<std::uint32_t>(*value) & 0xFF));
  } catch (const EConvertError&) {
    FUZZ_CHECK(!value);
  }

  // A value that reads back is the text of a number in one of its forms.
  if (value && text.find_first_not_of(' ') != std::string_view::npos) {
    FUZZ_CHECK(TryStrToInt(IntToStr(*value)) == value);
  }
  return 0;
}
