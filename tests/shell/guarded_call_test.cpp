#include "shell/base/guarded_call.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "shell/base/errors.h"

namespace zelmo {
namespace {

// What a front end's error box showed: title and text.
using Boxes = std::vector<std::pair<std::string, std::string>>;

TEST(GuardedUiCall, AnEscapingErrorGoesToTheErrorBoxAndTheCallerGoesOn) {
  Boxes boxes;
  auto show = [&](const std::string& title, const std::string& text) {
    boxes.emplace_back(title, text);
  };
  bool ran = false;
  EXPECT_TRUE(GuardedUiCall([&] { ran = true; }, show));
  EXPECT_TRUE(ran);
  EXPECT_FALSE(GuardedUiCall([] { throw Exception("Socket Error # 10054"); }, show));
  EXPECT_FALSE(GuardedUiCall([] { throw EListError("List index out of bounds (1)"); }, show));
  EXPECT_FALSE(GuardedUiCall([] { throw 42; }, show));
  EXPECT_EQ(boxes, (Boxes{{"ZelmoBot", "Socket Error # 10054."},
                          {"ZelmoBot", "List index out of bounds (1)"},
                          {"ZelmoBot", "Unknown error."}}));
}

}  // namespace
}  // namespace zelmo
