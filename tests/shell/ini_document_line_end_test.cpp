#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "shell/base/ini_document.h"

namespace zelmo {
namespace {

std::string ValueOr(const IniDocument& document, std::string_view section, std::string_view key) {
  return std::string(document.Value(section, key).value_or("<none>"));
}

std::string Edited(const std::string& content, std::string_view section, std::string_view key,
                   std::string_view value) {
  return IniDocument(content).WithValue(section, key, value).value_or("<unchanged>");
}

// A file cut off between the CR and the LF of its last line (an editor or a
// transfer that lost the final byte): the CR ends the line, so the LF that a
// write puts behind it changes nothing that was readable before.
TEST(IniDocumentLineEnd, CrEndingTheTextEndsTheLastLine) {
  const std::string crlf = "[a]\r\nk=v\r\nlast=x\r";
  EXPECT_EQ(ValueOr(IniDocument(crlf), "a", "last"), "x");
  const std::string added = Edited(crlf, "a", "new", "1");
  EXPECT_EQ(added, "[a]\r\nk=v\r\nlast=x\r\nnew=1\r\n");
  EXPECT_EQ(ValueOr(IniDocument(added), "a", "last"), "x");

  const std::string lf = "[a]\nlast=x\r";
  const std::string appended = Edited(lf, "b", "k", "v");
  EXPECT_EQ(appended, "[a]\nlast=x\r\n\n[b]\nk=v\n");
  EXPECT_EQ(ValueOr(IniDocument(appended), "a", "last"), "x");

  // The same for a section head without its closing bracket.
  const IniDocument open_head("[x\r");
  EXPECT_EQ(open_head.SectionNames(), std::vector<std::string>{"x"});
  EXPECT_EQ(Edited("[x\r", "x", "k", "v"), "[x\r\nk=v\n");

  // Replacing the value of that last line keeps its CR.
  EXPECT_EQ(Edited(crlf, "a", "last", "y"), "[a]\r\nk=v\r\nlast=y\r");
  // A CR inside a line is still part of it.
  EXPECT_EQ(ValueOr(IniDocument("[a]\nk=x\ry"), "a", "k"), "x\ry");
}

}  // namespace
}  // namespace zelmo
