#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/bot_process.h"
#include "support/irc_test_client.h"
#include "support/loopback_server.h"
#include "support/ngircd_server.h"
#include "support/temp_dir.h"
#include "support/test_certificates.h"

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

// The bot, as a program, against ngircd's TLS port: one server whose
// certificate the test's CA issued for "irc.zelmo.test" and 127.0.0.1, one
// with a certificate signed by itself.
class Tls : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!NgircdServer::Available() || !TestCertificates::Available()) return;
    certificates = new TestCertificates();
    issued = new CertificateFiles(certificates->Issue("issued", "DNS:irc.zelmo.test,IP:127.0.0.1"));
    self_signed = new CertificateFiles(
        certificates->SelfSigned("selfsigned", "DNS:irc.zelmo.test,IP:127.0.0.1"));
  }
  static void TearDownTestSuite() {
    delete issued;
    delete self_signed;
    delete certificates;
  }
  void SetUp() override {
    if (certificates == nullptr) GTEST_SKIP() << "ngircd or openssl is not installed";
  }

  static std::unique_ptr<NgircdServer> Server(const CertificateFiles& files) {
    return std::make_unique<NgircdServer>("", "127.0.0.1", files.cert, files.key);
  }
  // The bot connects by itself to the server's TLS port under that name.
  std::unique_ptr<BotProcess> StartBot(const NgircdServer& server, const std::string& host,
                                       const std::string& tls_keys,
                                       const std::vector<std::string>& environment = {}) {
    dir.Write("Config.ini", "[Me]\nIRCHost=" + host + "\nPort=" + std::to_string(server.TlsPort()) +
                                "\nAutoConnect=1\nTLS=1\n" + tls_keys);
    return std::make_unique<BotProcess>(HeadlessBot(dir.Path(), environment));
  }
  static bool Registered(const NgircdServer& server) {
    IrcTestClient watcher(NgircdServer::Host(), server.Port(), "watcher");
    watcher.Send("ISON ZelmoBot");
    auto reply = watcher.WaitFor(" 303 watcher :");
    return reply && reply->ends_with(":ZelmoBot");
  }
  // Refused with the reason in the error box, and tried only the once.
  static void ExpectRefused(BotProcess& bot, const std::string& reason) {
    ASSERT_TRUE(bot.Await(
        [&](const ProcessOutput& output) {
          return (output.out + output.err).find("ZelmoBot: " + reason) != std::string::npos;
        },
        15s))
        << bot.DisplayOutput() << bot.ErrorOutput();
    EXPECT_FALSE(bot.AwaitDisplay("Connected to", 2s)) << bot.DisplayOutput();
    EXPECT_EQ(bot.CountDisplay("Connecting to"), 1) << bot.DisplayOutput();
  }

  // The display text that follows the first one equal to `text`, once the
  // bot has said how its link is secured.
  static std::string LineAfter(BotProcess& bot, const std::string& text) {
    bot.AwaitDisplay("TLS: ", 15s);
    auto texts = bot.DisplayTexts();
    auto found = std::find(texts.begin(), texts.end(), text);
    return found == texts.end() || found + 1 == texts.end() ? std::string() : *(found + 1);
  }

  // The libraries the running bot has mapped.
  static std::string Maps(const BotProcess& bot) {
    std::ifstream in("/proc/" + std::to_string(bot.Pid()) + "/maps");
    std::ostringstream maps;
    maps << in.rdbuf();
    return maps.str();
  }

  static inline TestCertificates* certificates = nullptr;
  static inline CertificateFiles* issued = nullptr;
  static inline CertificateFiles* self_signed = nullptr;
  TempDir dir;
};

TEST_F(Tls, AVerifiedLinkRegistersAnswersAndReconnectsOverTls) {
  auto server = Server(*issued);
  auto bot = StartBot(*server, "127.0.0.1", "TLSCAFile=" + certificates->CaFile() + "\n");
  ASSERT_TRUE(bot->AwaitDisplay("Connected to 127.0.0.1.", 15s))
      << bot->DisplayOutput() << bot->ErrorOutput();
  EXPECT_EQ(LineAfter(*bot, "Connected to 127.0.0.1."), "TLS: verified CN=issued (TLSv1.3)");
  EXPECT_NE(Maps(*bot).find("libzelmobot_tls.so"), std::string::npos);
  IrcTestClient alice(NgircdServer::Host(), server->Port(), "alice");
  alice.Send("PRIVMSG ZelmoBot :\001VERSION\001");
  auto reply = alice.WaitFor("NOTICE alice :\001VERSION");
  ASSERT_TRUE(reply.has_value()) << bot->DisplayOutput();
  EXPECT_NE(reply->find("ZelmoBot v0.5"), std::string::npos) << *reply;
  // A line longer than any record goes through whole.
  std::string long_text(400, 'x');
  alice.Send("PRIVMSG ZelmoBot :" + long_text);
  ASSERT_TRUE(bot->AwaitDisplay(long_text, 10s)) << bot->DisplayOutput();

  // Killed, it reconnects over TLS at once, as over TCP.
  IrcTestClient oper(NgircdServer::Host(), server->Port(), "oper");
  oper.BecomeOperator();
  oper.Send("KILL ZelmoBot :testing");
  ASSERT_TRUE(bot->AwaitDisplay("I were on 0 channel(s)", 10s)) << bot->DisplayOutput();
  ASSERT_TRUE(bot->Await(
      [](const ProcessOutput& output) {
        std::size_t first = output.out.find("Connected to 127.0.0.1.");
        return first != std::string::npos &&
               output.out.find("Connected to 127.0.0.1.", first + 1) != std::string::npos;
      },
      15s))
      << bot->DisplayOutput();
  EXPECT_TRUE(Registered(*server));
}

TEST_F(Tls, ACertificateForAnotherNameIsRefused) {
  auto server = Server(*issued);
  auto bot = StartBot(*server, "localhost", "TLSCAFile=" + certificates->CaFile() + "\n");
  ExpectRefused(*bot,
                "TLS: certificate verify failed: hostname mismatch (the certificate is not for "
                "localhost)");
}

// "[::1]" is checked as the address ::1, not as a name with brackets.
TEST_F(Tls, AnIpv6AddressIsCheckedAsAnAddressWithOrWithoutBrackets) {
  const std::string ca = "TLSCAFile=" + certificates->CaFile() + "\n";
  {
    CertificateFiles v6 = certificates->Issue("v6", "IP:::1");
    NgircdServer server("", "::1", v6.cert, v6.key);
    auto bot = StartBot(server, "[::1]", ca);
    ASSERT_TRUE(bot->AwaitDisplay("Connected to [::1].", 15s))
        << bot->DisplayOutput() << bot->ErrorOutput();
  }
  NgircdServer server("", "::1", issued->cert, issued->key);
  auto bot = StartBot(server, "[::1]", ca);
  ExpectRefused(*bot,
                "TLS: certificate verify failed: IP address mismatch (the certificate is not for "
                "::1)");
}

TEST_F(Tls, ACertificateSignedByItselfIsRefused) {
  auto server = Server(*self_signed);
  auto bot = StartBot(*server, "127.0.0.1", "TLSCAFile=" + certificates->CaFile() + "\n");
  ExpectRefused(*bot, "TLS: certificate verify failed: self-signed certificate");
  EXPECT_FALSE(Registered(*server));
}

TEST_F(Tls, WithoutTheTestsCaTheSystemStoreRefusesTheIssuedCertificate) {
  auto server = Server(*issued);
  auto bot = StartBot(*server, "127.0.0.1", "");
  ExpectRefused(*bot, "TLS: certificate verify failed: unable to get local issuer certificate");
}

// The system's CAs are read from their hashed folder, one when a chain
// names it; the test's CA hashed into a folder of its own is found there.
TEST_F(Tls, TheSystemStoreIsTheHashedFolderOfCas) {
  TempDir cas;
  std::filesystem::copy_file(certificates->CaFile(), cas.Path() + "/test-ca.pem");
  ASSERT_EQ(std::system(("openssl rehash " + cas.Path() + " >/dev/null 2>&1").c_str()), 0);
  auto server = Server(*issued);
  auto bot = StartBot(*server, "127.0.0.1", "", {"SSL_CERT_DIR=" + cas.Path()});
  ASSERT_TRUE(bot->AwaitDisplay("Connected to 127.0.0.1.", 15s))
      << bot->DisplayOutput() << bot->ErrorOutput();
  EXPECT_TRUE(Registered(*server));
}

TEST_F(Tls, AWrongPinIsRefusedEvenForAVerifiedCertificate) {
  auto server = Server(*issued);
  std::string pin = certificates->Fingerprint(self_signed->cert);
  auto bot = StartBot(*server, "127.0.0.1",
                      "TLSCAFile=" + certificates->CaFile() + "\nTLSFingerprint=" + pin + "\n");
  ExpectRefused(*bot, "TLS: certificate fingerprint does not match");
}

TEST_F(Tls, TheRightPinTakesASelfSignedCertificateWrittenInAnyCase) {
  auto server = Server(*self_signed);
  std::string pin = certificates->Fingerprint(self_signed->cert);
  for (char& c : pin) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  auto bot = StartBot(*server, "localhost", "TLSFingerprint=" + pin + "\n");
  ASSERT_TRUE(bot->AwaitDisplay("Connected to localhost.", 15s)) << bot->DisplayOutput();
  EXPECT_EQ(LineAfter(*bot, "Connected to localhost."), "TLS: verified CN=selfsigned (TLSv1.3)");
  EXPECT_TRUE(Registered(*server));
}

TEST_F(Tls, APinThatIsNoFingerprintIsNamed) {
  auto server = Server(*self_signed);
  auto bot = StartBot(*server, "127.0.0.1", "TLSFingerprint=12:34\n");
  ExpectRefused(*bot, "TLS: TLSFingerprint is not a SHA-256 fingerprint in hex");
}

TEST_F(Tls, WithoutVerificationEachConnectionSaysSo) {
  auto server = Server(*self_signed);
  auto bot = StartBot(*server, "127.0.0.1", "TLSVerify=0\n");
  ASSERT_TRUE(bot->AwaitDisplay("TLS: not verified", 15s)) << bot->DisplayOutput();
  EXPECT_EQ(LineAfter(*bot, "Connected to 127.0.0.1."),
            "TLS: not verified CN=selfsigned (TLSv1.3)");
  EXPECT_TRUE(Registered(*server));
}

TEST_F(Tls, APlainServerIsNamedNotRetried) {
  LoopbackServer plain;
  dir.Write("Config.ini", "[Me]\nIRCHost=127.0.0.1\nPort=" + std::to_string(plain.Port()) +
                              "\nAutoConnect=1\nTLS=1\n");
  BotProcess bot(HeadlessBot(dir.Path()));
  {
    auto peer = plain.Accept(10s);
    ASSERT_TRUE(peer) << bot.DisplayOutput();
    peer->SendLine("ERROR :Closing Link: plain text here");
  }
  ExpectRefused(bot, "TLS: the server did not answer with TLS (is this a TLS port?)");
  EXPECT_FALSE(plain.Accept(500ms));
}

// OpenSSL is loaded with the TLS module, for a secured link only: a bot
// without TLS stays small.
// Nor does a console that is no terminal load the line editor's libedit.
TEST_F(Tls, APlainLinkFromAPipedConsoleLoadsNeitherOpenSslNorTheLineEditor) {
  LoopbackServer plain;
  dir.Write("Config.ini", LoopbackConfig(plain.Port(), "AutoConnect=1\n"));
  BotProcess bot(HeadlessBot(dir.Path()));
  auto peer = plain.Accept(10s);
  ASSERT_TRUE(peer) << bot.DisplayOutput();
  ASSERT_TRUE(bot.AwaitDisplay("Connected to 127.0.0.1.", 10s)) << bot.DisplayOutput();
  const std::string maps = Maps(bot);
  EXPECT_EQ(maps.find("libzelmobot_tls.so"), std::string::npos);
  EXPECT_EQ(maps.find("libssl"), std::string::npos) << maps;
  EXPECT_EQ(maps.find("libcrypto"), std::string::npos) << maps;
  EXPECT_EQ(maps.find("libedit"), std::string::npos) << maps;
}

// A program without its TLS module still runs and links plainly; a TLS link
// fails saying why, once. Installed, the program finds the module in
// lib/zelmobot/ beside its bin/.
TEST_F(Tls, WithoutTheModuleATlsLinkFailsSayingWhy) {
  namespace fs = std::filesystem;
  TempDir root;
  fs::create_directories(root.File("bin"));
  fs::copy_file(BotBinary(), root.File("bin/zelmobot"));
  fs::permissions(root.File("bin/zelmobot"), fs::perms::owner_all);
  LoopbackServer server;
  dir.Write("Config.ini", LoopbackConfig(server.Port(), "AutoConnect=1\nTLS=1\n"));
  ProcessOptions options = HeadlessBot(dir.Path());
  options.program = root.File("bin/zelmobot");
  {
    BotProcess bot(options);
    ExpectRefused(bot,
                  "TLS: the TLS module cannot be loaded: " + root.File("bin/libzelmobot_tls.so") +
                      ": cannot open shared object file");
    ASSERT_TRUE(server.Accept(1s));  // its connection: the next one is the next bot's
  }
  const std::string installed = root.File("lib/zelmobot/libzelmobot_tls.so");
  fs::create_directories(root.File("lib/zelmobot"));
  fs::copy_file(fs::path(BotBinary()).parent_path() / "libzelmobot_tls.so", installed);
  {
    BotProcess bot(options);
    auto peer = server.Accept(10s);
    ASSERT_TRUE(peer) << bot.DisplayOutput();
    peer->SendLine("ERROR :Closing Link: plain text here");
    ExpectRefused(bot, "TLS: the server did not answer with TLS");
    EXPECT_NE(Maps(bot).find(installed), std::string::npos);
  }
  dir.Write("Config.ini", LoopbackConfig(server.Port(), "AutoConnect=1\n"));
  BotProcess bot(options);
  EXPECT_TRUE(bot.AwaitDisplay("Connected to 127.0.0.1.", 10s)) << bot.DisplayOutput();
}

TEST_F(Tls, AClientCertificateIsOfferedAndABadOneNamed) {
  auto server = Server(*issued);
  CertificateFiles client = certificates->Issue("client", "DNS:zelmobot.test");
  auto bot =
      StartBot(*server, "127.0.0.1",
               "TLSCAFile=" + certificates->CaFile() + "\nTLSCertFile=" + client.combined + "\n");
  ASSERT_TRUE(bot->AwaitDisplay("Connected to 127.0.0.1.", 15s)) << bot->DisplayOutput();
  bot.reset();
  auto refused = StartBot(*server, "127.0.0.1", "TLSCertFile=" + client.key + "\n");
  ExpectRefused(*refused,
                "TLS: cannot read the client certificate " + client.key + ": no certificate in it");
}

}  // namespace
}  // namespace zelmo::testing
