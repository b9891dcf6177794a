#include "app/runtime_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelmo {
namespace {

TEST(RuntimeFolder, ServiceThenUserRuntimeThenDataFolder) {
  EXPECT_EQ(RuntimeFolder("/var/lib/zelmobot/", "/run/zelmobot", "/run/user/0"), "/run/zelmobot/");
  EXPECT_EQ(RuntimeFolder("/d/", "/run/a:/run/b", nullptr), "/run/a/");
  EXPECT_EQ(RuntimeFolder("/nonexistent/d/", "", nullptr), "/nonexistent/d/");
  const std::string own = RuntimeFolder("/nonexistent/d/", nullptr, "/run/user/1000");
  EXPECT_TRUE(own.starts_with("/run/user/1000/zelmobot/")) << own;
  EXPECT_EQ(own.size(), std::string("/run/user/1000/zelmobot/").size() + 17) << own;
  EXPECT_NE(own, RuntimeFolder("/nonexistent/e/", nullptr, "/run/user/1000"));
}

TEST(RuntimeFolder, AConsoleAlsoLooksWhereTheServiceOfAStateFolderListens) {
  struct Case {
    std::string data;
    std::vector<std::string> folders;
  };
  const std::vector<Case> cases = {
      {"/var/lib/zelmobot/", {"/var/lib/zelmobot/", "/run/zelmobot/"}},
      {"/var/lib/zelmobot/libera/", {"/var/lib/zelmobot/libera/", "/run/zelmobot/libera/"}},
      {"/var/lib/private/zelmobot/", {"/var/lib/private/zelmobot/", "/run/zelmobot/"}},
      {"/home/a/bot/", {"/home/a/bot/"}},
  };
  for (const Case& c : cases) EXPECT_EQ(ConsoleSearchFolders(c.data, nullptr, nullptr), c.folders);
  EXPECT_EQ(ConsoleSearchFolders("/var/lib/x/", nullptr, "/nonexistent").size(), 3u);
}

}  // namespace
}  // namespace zelmo
