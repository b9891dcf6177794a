#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelmo {

// The CTCP words the client knows, by their index in the word table.
enum CtcpWord : int {
  ctcpAction = 0,
  ctcpSound = 1,
  ctcpPing = 2,
  ctcpFinger = 3,
  ctcpUserInfo = 4,
  ctcpVersion = 5,
  ctcpClientInfo = 6,
  ctcpTime = 7,
  ctcpError = 8,
  ctcpDcc = 9,
};

// The DCC request kinds, by their index in the DCC word table.
enum DccWord : int { dccSend = 0, dccChat = 1, dccResume = 2, dccAccept = 3 };

inline constexpr char kCtcpDelimiter = '\001';

struct CtcpMessage {
  std::string Command;
  std::string Arguments;
};

// A message text is CTCP when its first character is \001.
bool IsCtcpMessage(std::string_view text);

// Command and arguments of a CTCP text; none when the text is not CTCP. The
// last character is always dropped, whether or not it closes the message.
std::optional<CtcpMessage> ParseCtcp(std::string_view text);

// Index of a CTCP word (case-sensitive), or -1 when it is not in the table.
int CtcpWordIndex(std::string_view command);

// The words of a DCC request's arguments: split at every blank, so two
// blanks in a row give an empty word, and the last word is always taken.
class DccRequest {
 public:
  explicit DccRequest(std::string_view arguments);

  const std::vector<std::string>& Words() const { return words_; }
  // Word i, or an empty text when the request has fewer words.
  const std::string& Word(std::size_t index) const;
  // Index of word 0 in the DCC word table (case-sensitive), or -1.
  int Kind() const;

 private:
  std::vector<std::string> words_;
};

}  // namespace zelmo
