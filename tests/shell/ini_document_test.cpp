#include "shell/base/ini_document.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "shell/base/ini_syntax.h"

namespace zelmo {
namespace {

using namespace std::string_view_literals;

std::string ValueOr(const IniDocument& document, std::string_view section, std::string_view key,
                    std::string_view fallback = "<none>") {
  return std::string(document.Value(section, key).value_or(fallback));
}

// Applies one edit and parses the result, as the store does after a write.
std::string Edited(const std::string& content, std::string_view section, std::string_view key,
                   std::string_view value) {
  return IniDocument(content).WithValue(section, key, value).value_or("<unchanged>");
}

TEST(IniDocument, LineKindsAndValueDecoding) {
  const IniDocument document(
      "orphan=1\n"
      "  [ General ] trailing\n"
      "\tKey One\t=  spaced value  \n"
      "; commented=1\n"
      "  ;also=1\n"
      "no equals sign\n"
      "dq=\"  kept  \"\n"
      "sq='x'\n"
      "mixed=\"x'\n"
      "lone=\"\n"
      "inner=a \"b\" c\n"
      "twice=a=b\n"
      "empty=\n"
      "[open\n"
      "k=v\n");
  EXPECT_EQ(ValueOr(document, "", "orphan"), "<none>");
  EXPECT_EQ(ValueOr(document, "general", "KEY ONE"), "spaced value");
  EXPECT_EQ(ValueOr(document, "general", "; commented"), "<none>");
  EXPECT_EQ(ValueOr(document, "general", ";also"), "<none>");
  EXPECT_EQ(ValueOr(document, "general", "dq"), "  kept  ");
  EXPECT_EQ(ValueOr(document, "general", "sq"), "x");
  EXPECT_EQ(ValueOr(document, "general", "mixed"), "\"x'");
  EXPECT_EQ(ValueOr(document, "general", "lone"), "\"");
  EXPECT_EQ(ValueOr(document, "general", "inner"), "a \"b\" c");
  EXPECT_EQ(ValueOr(document, "general", "twice"), "a=b");
  EXPECT_EQ(ValueOr(document, "general", "empty"), "");
  EXPECT_EQ(ValueOr(document, "open", "k"), "v");
  EXPECT_EQ(document.SectionNames(), (std::vector<std::string>{"General", "open"}));
}

TEST(IniDocument, CaseInsensitiveNamesAndFirstMatchWins) {
  const IniDocument document(
      "[Bob]\nHostMask=first\nhostmask=second\n"
      "[bob]\nPassword=hidden\n"
      "[Empty]\n[EMPTY]\nk=1\n");
  EXPECT_EQ(ValueOr(document, "BOB", "Hostmask"), "first");
  EXPECT_EQ(ValueOr(document, "bob", "Password"), "<none>");
  EXPECT_TRUE(document.HasKeys("bOB"));
  EXPECT_FALSE(document.HasKeys("empty"));
  EXPECT_FALSE(document.HasKeys("missing"));
  EXPECT_EQ(document.SectionNames(), (std::vector<std::string>{"Bob", "bob", "Empty", "EMPTY"}));
  // A line feed in a looked-up name can never pair up differently.
  EXPECT_EQ(ValueOr(document, "Bob\nHostMask", ""), "<none>");
}

// Found by the fuzzer: a head of blanks only once named a section outside
// the text.
TEST(IniDocument, AHeadOfBlanksIsASectionWithAnEmptyName) {
  const IniDocument document("k=0\n[ \t ]\nk = v\n[A]\nk=second\n");
  EXPECT_EQ(document.SectionNames(), (std::vector<std::string>{"", "A"}));
  EXPECT_EQ(ValueOr(document, "", "k"), "v");
  EXPECT_EQ(ValueOr(document, "a", "k"), "second");
}

TEST(IniDocument, CrLfLinesDropOnlyTheCrBeforeTheLf) {
  const IniDocument document("[a]\r\nk=v\r\nr=x\ry\r\n");
  EXPECT_EQ(ValueOr(document, "A", "k"), "v");
  EXPECT_EQ(ValueOr(document, "a", "r"), "x\ry");
}

TEST(IniDocument, EditsKeepEveryOtherLineByteForByte) {
  const std::string crlf =
      "; top\r\n\r\n[General]\r\nA=1\r\n; note\r\n  B = 2  \r\n\r\n[Other]\r\nx=y\r\n";
  EXPECT_EQ(Edited(crlf, "general", "b", "3"),
            "; top\r\n\r\n[General]\r\nA=1\r\n; note\r\n  B = 3\r\n\r\n[Other]\r\nx=y\r\n");
  EXPECT_EQ(
      Edited(crlf, "GENERAL", "C", "4"),
      "; top\r\n\r\n[General]\r\nA=1\r\n; note\r\n  B = 2  \r\nC=4\r\n\r\n[Other]\r\nx=y\r\n");
  EXPECT_EQ(Edited(crlf, "New", "k", "v"), crlf + "\r\n[New]\r\nk=v\r\n");
  EXPECT_EQ(Edited("[a]\nk=1", "a", "j", "2"), "[a]\nk=1\nj=2\n");
  EXPECT_EQ(Edited("[a]\n\n; c\n", "a", "j", "2"), "[a]\nj=2\n\n; c\n");
  EXPECT_EQ(Edited("[a]\nk=1", "b", "j", "2"), "[a]\nk=1\n\n[b]\nj=2\n");
  EXPECT_EQ(Edited("[a]\n\n", "b", "j", "2"), "[a]\n\n[b]\nj=2\n");
  EXPECT_EQ(Edited("", "b", "j", "2"), "[b]\nj=2\n");
  EXPECT_EQ(Edited("[a]\nk =   \n", "a", "K", "x"), "[a]\nk =x\n");
  // The first of two same-named sections takes the new key.
  EXPECT_EQ(Edited("[a]\n[A]\nk=1\n", "a", "k", "2"), "[a]\nk=2\n[A]\nk=1\n");
}

TEST(IniDocument, UnchangedValueIsNoEdit) {
  const IniDocument document("[a]\nk = \"v\"\nq=\" x\"\n");
  EXPECT_FALSE(document.WithValue("A", "K", "v").has_value());
  EXPECT_FALSE(document.WithValue("a", "q", " x").has_value());
  EXPECT_TRUE(document.WithValue("a", "k", "\"v\"").has_value());
}

TEST(IniDocument, ValuesReadBackAsWritten) {
  for (std::string_view value : std::initializer_list<std::string_view>{
           "", " lead", "trail ", "\t tab \t", "\"quoted\"", "'single'", "\"", "'", "\"x'",
           "a \"b\"", "x=y;z", "[not a head]", "\"\"", "  \"both\"  "}) {
    const IniDocument written(Edited("[s]\nk=old\n", "s", "k", value));
    EXPECT_EQ(ValueOr(written, "s", "k"), value);
    const IniDocument added(Edited("", "s", "new", value));
    EXPECT_EQ(ValueOr(added, "S", "NEW"), value);
  }
}

TEST(IniDocument, DeleteKeyAndEraseSection) {
  const IniDocument users("[u]\nPassword=x\nHostmask=h\n[v]\nk=1\n");
  const IniDocument one_left(users.WithoutKey("U", "password").value());
  const IniDocument none_left(one_left.WithoutKey("u", "HOSTMASK").value());
  EXPECT_EQ(none_left.Content(), "[u]\n[v]\nk=1\n");
  EXPECT_FALSE(none_left.HasKeys("u"));
  EXPECT_EQ(none_left.SectionNames(), (std::vector<std::string>{"u", "v"}));
  EXPECT_FALSE(none_left.WithoutKey("u", "hostmask").has_value());
  EXPECT_FALSE(none_left.WithoutKey("nobody", "k").has_value());

  const IniDocument twice("[a]\nk=1\n[B]\nk=2\n; c\n[A]\nk=3\n[c]\nk=4");
  EXPECT_EQ(twice.WithoutSection("a").value(), "[B]\nk=2\n; c\n[c]\nk=4");
  EXPECT_EQ(twice.WithoutSection("C").value(), "[a]\nk=1\n[B]\nk=2\n; c\n[A]\nk=3\n");
  EXPECT_FALSE(twice.WithoutSection("d").has_value());
  // Only the first of duplicate keys goes; the next one then shows.
  const IniDocument duplicate("[a]\nk=1\nK=2\n");
  EXPECT_EQ(ValueOr(IniDocument(duplicate.WithoutKey("a", "k").value()), "a", "k"), "2");
}

TEST(IniSyntax, UnstorableNames) {
  for (std::string_view name :
       std::initializer_list<std::string_view>{"", "a]b", " a", "a\t", "a\nb", "a\rb", "a\0b"sv}) {
    EXPECT_FALSE(IsStorableSection(name)) << name;
  }
  for (std::string_view name : std::initializer_list<std::string_view>{
           "", "a=b", "[a", ";a", " a", "a ", "a\nb", "a\rb", "a\0"sv}) {
    EXPECT_FALSE(IsStorableKey(name)) << name;
  }
  EXPECT_TRUE(IsStorableSection("[a b;c="));
  EXPECT_TRUE(IsStorableKey("Rights_#chan]x"));
  EXPECT_FALSE(IsStorableValue("a\nb"));
  EXPECT_FALSE(IsStorableValue("a\r"));
  EXPECT_FALSE(IsStorableValue("\0"sv));
}

}  // namespace
}  // namespace zelmo
