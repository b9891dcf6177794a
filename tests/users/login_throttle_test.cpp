#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/base/convert.h"
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
  now += 59s + 999ms;
  EXPECT_TRUE(Fail("a@h"));
  EXPECT_FALSE(Blocked("b@h"));
  now += 59s + 999ms;  // refused attempts do not lengthen the block
  EXPECT_TRUE(Blocked("a@h"));
  EXPECT_FALSE(throttle.Begin("a@h").Failed());
  now += 1ms;
  EXPECT_FALSE(Blocked("a@h"));
  EXPECT_FALSE(Fail("a@h", 4));  // the count starts afresh
}

TEST_F(Throttle, TheWindowEndsAtItsLength) {
  EXPECT_FALSE(Fail("a@h", 4));
  now += 60s;
  EXPECT_FALSE(Fail("a@h", 4));
  EXPECT_FALSE(Blocked("a@h"));
  EXPECT_TRUE(Fail("a@h"));
}

TEST_F(Throttle, ASuccessForgetsTheFailures) {
  Fail("a@h", 4);
  throttle.Begin("a@h").Succeeded();
  EXPECT_EQ(throttle.AddressCount(), 0u);
  EXPECT_FALSE(Fail("a@h", 4));
}

TEST_F(Throttle, TheLeastRecentlyFailedAddressIsForgottenFirst) {
  for (std::size_t i = 0; i < LoginThrottle::kMaxAddresses; ++i) Fail(std::to_string(i), 3);
  Fail("0");  // now the most recent
  Fail("new");
  EXPECT_EQ(throttle.AddressCount(), LoginThrottle::kMaxAddresses);
  EXPECT_FALSE(Fail("1", 2)) << "1 was forgotten, its count starts again";
  EXPECT_TRUE(Fail("0"));
}

TEST_F(Throttle, ZeroFailuresTurnsItOff) {
  Fail("a@h", 4);
  throttle.SetLimits({0, 60s});
  EXPECT_EQ(throttle.AddressCount(), 0u);
  EXPECT_FALSE(Fail("a@h", 100));
  EXPECT_EQ(throttle.AddressCount(), 0u);
}

TEST(PasswordHash, OnlyTheWholeHashFormIsAHash) {
  const std::string hash = HashPassword("Secret");
  EXPECT_TRUE(IsHashedPassword(hash)) << hash;
  EXPECT_TRUE(PasswordMatches(hash, "sECRET"));
  EXPECT_FALSE(PasswordMatches(hash, "Secret!"));
  EXPECT_FALSE(PasswordMatches(hash, std::string("Secret\0x", 8)));
  EXPECT_NE(HashPassword("Secret"), hash) << "a fresh salt every time";
  // Plain passwords that begin like a hash are compared as text.
  for (const std::string& plain :
       std::vector<std::string>{"$y$", "$y$abc", "$secret", hash + "x", hash.substr(1)}) {
    EXPECT_FALSE(IsHashedPassword(plain)) << plain;
    EXPECT_TRUE(PasswordMatches(plain, LowerCase(plain))) << plain;
  }
  EXPECT_EQ(PasswordToStore("-1", true), "-1");
  EXPECT_EQ(PasswordToStore("Pw", false), "Pw");
}

}  // namespace
}  // namespace zelmo::testing
