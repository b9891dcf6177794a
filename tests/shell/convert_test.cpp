#include <gtest/gtest.h>

#include "shell/base/colors.h"
#include "shell/base/convert.h"
#include "shell/base/error_box.h"
#include "shell/base/errors.h"

namespace zelmo {
namespace {

TEST(IntegerReading, AcceptsDecimalAndTheThreeHexadecimalForms) {
  EXPECT_EQ(TryStrToInt("6667"), 6667);
  EXPECT_EQ(TryStrToInt("  -129"), -129);
  EXPECT_EQ(TryStrToInt("+1"), 1);
  EXPECT_EQ(TryStrToInt("$10"), 16);
  EXPECT_EQ(TryStrToInt("0x10"), 16);
  EXPECT_EQ(TryStrToInt("0X1A0B"), 6667);
  EXPECT_EQ(TryStrToInt("x1f"), 31);
  EXPECT_EQ(TryStrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(TryStrToInt("-2147483648"), INT32_MIN);
}

TEST(IntegerReading, RejectsEverythingElse) {
  for (const char* text : {"", " ", "abc", "1 ", "1 2", "0x", "$", "--1", "2147483648",
                           "$100000000", "1.5", "+$10", "true"}) {
    EXPECT_FALSE(TryStrToInt(text).has_value()) << "'" << text << "'";
  }
  EXPECT_EQ(StrToIntDef("no", 7), 7);
}

TEST(IntegerReading, StrToIntNamesTheBadValue) {
  try {
    StrToInt("bogus");
    FAIL();
  } catch (const EConvertError& error) {
    EXPECT_STREQ(error.what(), "'bogus' is not a valid integer value");
  }
}

TEST(AsciiCase, OnlyAsciiLettersChange) {
  EXPECT_EQ(UpperCase("login;b\xe4r"), "LOGIN;B\xe4R");
  EXPECT_TRUE(SameText("Rights_General", "RIGHTS_general"));
  EXPECT_FALSE(SameText("\xe4", "\xc4"));
}

TEST(ColourValues, NamesInAnyCaseNumbersAndRoles) {
  EXPECT_EQ(StringToColor("clred"), clRed);
  EXPECT_EQ(StringToColor("$0000FF"), clRed);
  EXPECT_EQ(StringToColor("255"), clRed);
  EXPECT_EQ(StringToColor("0xFF"), clRed);
  EXPECT_EQ(StringToColor("ClWindow"), static_cast<TColor>(0x80000005));
  EXPECT_EQ(StringToColor("clGradientInactiveCaption"), static_cast<TColor>(0x8000001C));
  EXPECT_EQ(StringToColor("clNone"), 0x1FFFFFFF);
  EXPECT_EQ(StringToColor("clDefault"), 0x20000000);
  EXPECT_EQ(StringToColor("clMoneyGreen"), 0xC0DCC0);
  EXPECT_THROW(StringToColor("bogus"), EConvertError);
}

TEST(ColourValues, RgbOfADirectColourSwapsRedAndBlue) {
  EXPECT_EQ(ColorToRgb(clRed), 0xFF0000u);
  EXPECT_EQ(ColorToRgb(clOlive), 0x808000u);
  EXPECT_EQ(ColorToRgb(clWindow), 0xFFFFFFu);
}

TEST(ErrorBox, AddsAFullStopOnlyAfterCharactersSortingAfterIt) {
  EXPECT_EQ(ErrorBoxText("'bogus' is not a valid integer value"),
            "'bogus' is not a valid integer value.");
  EXPECT_EQ(ErrorBoxText("Socket Error # 10061\r\nConnection refused."),
            "Socket Error # 10061\r\nConnection refused.");
  EXPECT_EQ(ErrorBoxText("List index out of bounds (1)"), "List index out of bounds (1)");
  EXPECT_EQ(ErrorBoxText("Not Connected"), "Not Connected.");
  EXPECT_EQ(ErrorBoxText("path/"), "path/.");
  EXPECT_EQ(ErrorBoxText("done!"), "done!");
  EXPECT_EQ(ErrorBoxText(""), "");
  EXPECT_EQ(ErrorBoxText("p\xe4\xe4"), "p\xe4\xe4.");
}

}  // namespace
}  // namespace zelmo
