#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zelmo {

// The client side of the DICT protocol (RFC 2229) as far as a lookup needs it.

// A command line may hold 1024 octets, its CR LF included.
inline constexpr std::size_t kMaxDictCommandLine = 1024;

// DICT status codes the lookup acts on.
inline constexpr int kDictBanner = 220;
inline constexpr int kDictOk = 250;
inline constexpr int kDictDefinitions = 150;
inline constexpr int kDictDefinition = 151;
inline constexpr int kDictNoMatch = 552;

// "DEFINE <database> "<word>"", the word as a quoted string with a backslash
// in it escaped. Raises for a word that holds a double quote or a control
// character (CR, LF and NUL among them), which a quoted string cannot carry,
// and for a line beyond the protocol's length.
std::string DefineCommand(std::string_view database, std::string_view word);

// The code of a status line ("250 ok"); raises for anything else.
int DictStatus(std::string_view line);

// Reads the answer to one DEFINE, line by line: the text of each definition
// with its lines joined by LF and the protocol's doubled leading dots undone;
// no definitions for "552 no match". Raises for any other status, an answer
// out of order, and definitions of more than max_bytes together, each
// counted with its "151" status line and its closing "." line.
std::vector<std::string> ReadDefinitions(const std::function<std::string()>& next_line,
                                         std::size_t max_bytes);

}  // namespace zelmo
