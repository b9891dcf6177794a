// Received IRC lines: the split into prefix, command and parameter slots,
// CTCP recognition in message texts and the word split of DCC requests.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "irc/protocol/ctcp.h"
#include "irc/protocol/irc_line.h"
#include "support/fuzz_check.h"

namespace {

using namespace zelmo;

std::string_view Cut(std::string_view text) {
  return text.substr(0, kMaxLinePart);
}

// The split worked out step by step from the line format, as an oracle.
ParsedLine ModelSplit(std::string_view line) {
  ParsedLine model;
  std::string_view rest = line;
  std::size_t blank = line.find(' ');
  if (!line.empty() && line[0] == ':' && blank != std::string_view::npos) {
    std::string_view prefix = line.substr(1, blank - 1);
    model.ParamTable[0] = std::string(prefix);
    std::size_t bang = prefix.find('!');
    // Every part a record keeps is cut, the sender's nick and address too.
    if (bang == std::string_view::npos) {
      model.SenderAddress = std::string(Cut(prefix));
    } else {
      model.SenderNick = std::string(Cut(prefix.substr(0, bang)));
      model.SenderAddress = std::string(Cut(prefix.substr(bang + 1)));
    }
    rest = Cut(line.substr(blank + 1));
  }
  blank = rest.find(' ');
  if (blank != std::string_view::npos) {
    model.CommandText = std::string(rest.substr(0, blank));
    rest = Cut(rest.substr(blank + 1));
  }
  model.ParamTable[1] = model.CommandText;
  model.LineContent = std::string(rest);
  for (std::size_t i = 2; i < kParamSlots && !rest.empty(); ++i) {
    blank = rest.find(' ');
    if (rest[0] == ':') {
      model.ParamTable[i] = std::string(rest.substr(1));
      rest = {};
    } else if (blank == std::string_view::npos || i == kParamSlots - 1) {
      // The last slot keeps whatever the table has no room for.
      model.ParamTable[i] = std::string(Cut(rest));
      rest = {};
    } else {
      model.ParamTable[i] = std::string(rest.substr(0, blank));
      rest = Cut(rest.substr(blank + 1));
    }
  }
  return model;
}

void CheckSplit(std::string_view line, ParsedLine& parsed) {
  SplitLine(line, parsed);
  const ParsedLine model = ModelSplit(line);
  FUZZ_CHECK(parsed.SenderNick == model.SenderNick);
  FUZZ_CHECK(parsed.SenderAddress == model.SenderAddress);
  FUZZ_CHECK(parsed.CommandText == model.CommandText);
  FUZZ_CHECK(parsed.LineContent == model.LineContent);
  for (std::size_t i = 0; i < kParamSlots; ++i) {
    FUZZ_CHECK(parsed.ParamTable[i] == model.ParamTable[i]);
  }
  // Uncut are only the prefix (slot 0, the sender nick), the command word of
  // a line without a prefix, and a line without any blank (whole in the
  // content, and in slot 2 after a leading ":").
  const bool has_blank = line.find(' ') != std::string_view::npos;
  FUZZ_CHECK(parsed.SenderAddress.size() <= kMaxLinePart ||
             parsed.SenderAddress == parsed.ParamTable[0]);
  FUZZ_CHECK(parsed.CommandText.size() <= kMaxLinePart || parsed.ParamTable[0].empty());
  FUZZ_CHECK(parsed.LineContent.size() <= kMaxLinePart || !has_blank);
  for (std::size_t i = 2; i < kParamSlots; ++i) {
    FUZZ_CHECK(parsed.ParamTable[i].size() <= kMaxLinePart || (i == 2 && !has_blank));
  }
  // A line holds nothing that was not in it.
  for (const std::string* field :
       {&parsed.SenderNick, &parsed.SenderAddress, &parsed.CommandText, &parsed.LineContent}) {
    FUZZ_CHECK(line.find(*field) != std::string_view::npos);
  }
}

// A reply number is a word of decimal digits only, read as a decimal number
// that fits 32 bits; a sign or a hexadecimal form makes a command word.
void CheckNumeric(const std::string& command) {
  std::optional<int> number = ReplyNumber(command);
  bool digits = !command.empty();
  std::int64_t value = 0;
  for (char c : command) {
    digits = digits && c >= '0' && c <= '9';
    if (digits && value <= INT32_MAX) value = value * 10 + (c - '0');
  }
  FUZZ_CHECK(number.has_value() == (digits && value <= INT32_MAX));
  if (number) FUZZ_CHECK(*number == value);
}

// CTCP: the command is everything between the leading \001 and the first
// blank (or the last character); the arguments run from after that blank
// to before the last character.
void CheckCtcp(std::string_view text) {
  std::optional<CtcpMessage> message = ParseCtcp(text);
  FUZZ_CHECK(message.has_value() == (!text.empty() && text[0] == '\001'));
  if (!message) return;
  const std::size_t n = text.size();
  const std::size_t blank = text.find(' ');
  std::string_view command;
  std::string_view arguments;
  if (blank == std::string_view::npos) {
    command = text.substr(1, n >= 2 ? n - 2 : 0);
  } else {
    command = text.substr(1, blank - 1);
    if (n >= blank + 2) arguments = text.substr(blank + 1, n - blank - 2);
  }
  FUZZ_CHECK(message->Command == command);
  FUZZ_CHECK(message->Arguments == arguments);
  const int word = CtcpWordIndex(message->Command);
  FUZZ_CHECK(word >= -1 && word <= ctcpDcc);
  FUZZ_CHECK(word != ctcpVersion || message->Command == "VERSION");

  // The DCC split is lossless: the words joined by blanks give the text.
  DccRequest request(message->Arguments);
  std::string joined;
  for (std::size_t i = 0; i < request.Words().size(); ++i) {
    if (i > 0) joined += ' ';
    joined += request.Words()[i];
    FUZZ_CHECK(request.Words()[i].find(' ') == std::string::npos);
    FUZZ_CHECK(request.Word(i) == request.Words()[i]);
  }
  FUZZ_CHECK(joined == message->Arguments);
  FUZZ_CHECK(request.Word(request.Words().size()).empty());
  const int kind = request.Kind();
  FUZZ_CHECK(kind >= -1 && kind <= dccAccept);
  FUZZ_CHECK(kind != dccSend || request.Word(0) == "SEND");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  // One parsed-line object is reused for every line, as the client does, so
  // nothing of an earlier line may leak into a later one.
  static ParsedLine parsed;
  CheckSplit(line, parsed);
  CheckNumeric(parsed.CommandText);
  FUZZ_CHECK(IsChannelName(parsed.ParamTable[2]) ==
             (!parsed.ParamTable[2].empty() &&
              std::string_view("!#&+").find(parsed.ParamTable[2][0]) != std::string_view::npos));
  CheckCtcp(parsed.ParamTable[3]);
  CheckCtcp(line);
  return 0;
}
