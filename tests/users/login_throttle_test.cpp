#include <gtest/gtest.h>

#include <string>

#include "users/login_throttle.h"
#include "users/password_hash.h"

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

class Throttle : public ::testing::Test {
 protected:
  // Failures from the address; true when one of them started a block.
  bool Fail(const std::string& address, int times = 1) {
    bool started = false;
    for (int i = 0; i < times; ++i) started = throttle.Begin(address).Failed() || started;
    return started;
  }
  bool Blocked(const std::string& address) { return throttle.Begin(address).Blocked(); }

  LoginThrottle::TimePoint now{};
  LoginThrottle throttle{[this] { return now; }};
};

TEST_F(Throttle, FiveFailuresWithinTheWindowBlockForTheWindow) {
  EXPECT_FALSE(Fail("a@h", 4));
  now += 60s;  // the window has ended: a new one begins
  EXPECT_FALSE(Fail("a@h", 4));
  now += 59s + 999ms;
  EXPECT_TRUE(Fail("a@h"));
  EXPECT_FALSE(Blocked("a@other"));
  now += 59s + 999ms;  // refused attempts do not lengthen the block
  EXPECT_TRUE(Blocked("a@h"));
  now += 1ms;
  EXPECT_FALSE(Blocked("a@h"));
  EXPECT_FALSE(Fail("a@h", 4));  // the count starts afresh
  throttle.Begin("a@h").Succeeded();
  EXPECT_FALSE(Fail("a@h", 4));
}

// The ident is the client's to choose: a new one must not buy new guesses.
TEST_F(Throttle, FailuresAreCountedByTheHostWhateverTheIdent) {
  const struct {
    const char* address;
    const char* host;
  } cases[] = {{"~b@h.example", "h.example"},
               {"x@y@h.example", "h.example"},
               {"h.example", "h.example"},
               {"a@", ""}};
  for (const auto& c : cases) EXPECT_EQ(LoginThrottle::HostOf(c.address), c.host) << c.address;
  for (const char* ident : {"a", "b", "c", "d"}) Fail(std::string(ident) + "@h.example");
  EXPECT_TRUE(Fail("new-ident@h.example"));
  EXPECT_TRUE(Blocked("h.example"));
  EXPECT_FALSE(Blocked("a@other.example"));
  EXPECT_EQ(throttle.HostCount(), 1u);
}

TEST_F(Throttle, TheLeastRecentlyFailedHostIsForgottenFirst) {
  for (std::size_t i = 0; i < LoginThrottle::kMaxHosts; ++i) Fail(std::to_string(i), 3);
  Fail("0");  // now the most recent
  Fail("new");
  EXPECT_EQ(throttle.HostCount(), LoginThrottle::kMaxHosts);
  EXPECT_FALSE(Fail("1", 2)) << "1 was forgotten, its count starts again";
  EXPECT_TRUE(Fail("0"));
  throttle.SetLimits({0, 60s});  // off
  EXPECT_FALSE(Fail("0", 10));
  EXPECT_EQ(throttle.HostCount(), 0u);
}

TEST(PasswordHash, OnlyTheWholeHashFormIsAHash) {
  const std::string hash = HashPassword("Secret");
  EXPECT_TRUE(PasswordMatches(hash, "sECRET"));
  EXPECT_FALSE(PasswordMatches(hash, "Secret!"));
  for (const std::string& plain : {std::string("$y$abc"), hash + "x"}) {
    EXPECT_FALSE(IsHashedPassword(plain)) << plain;
    EXPECT_TRUE(PasswordMatches(plain, plain)) << plain;
  }
}

}  // namespace
}  // namespace zelmo::testing
