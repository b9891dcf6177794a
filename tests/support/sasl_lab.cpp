#include "support/sasl_lab.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "support/irc_test_client.h"
#include "support/loopback_ports.h"
#include "support/server_process.h"

extern char** environ;

namespace zelmo::testing {

namespace {

constexpr const char* kInspircd = "/usr/sbin/inspircd";
constexpr const char* kAtheme = "/usr/bin/atheme-services";
constexpr const char* kLinkPassword = "labLinkPass";
constexpr auto kReadyWait = std::chrono::seconds(20);

// Whether the server's answer to CAP LS lists sasl: it does once the
// services have linked.
bool OffersSasl(int port) {
  try {
    IrcTestClient probe(SaslLab::Host(), port, "labprobe");
    probe.Send("CAP LS 302");
    auto line = probe.WaitFor(" LS ", 2000);
    return line && line->find("sasl") != std::string::npos;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

bool SaslLab::Available() {
  return access(kInspircd, X_OK) == 0 && access(kAtheme, X_OK) == 0;
}

SaslLab::SaslLab(const std::string& tls_cert, const std::string& tls_key) {
  plain_port_ = FreeLoopbackPort();
  do {
    link_port_ = FreeLoopbackPort();
  } while (link_port_ == plain_port_);
  if (!tls_cert.empty()) {
    do {
      tls_port_ = FreeLoopbackPort();
    } while (tls_port_ == plain_port_ || tls_port_ == link_port_);
  }
  for (const char* folder : {"inspircd/data", "inspircd/logs", "inspircd/run", "atheme/etc",
                             "atheme/logs", "atheme/run", "atheme/data"}) {
    std::filesystem::create_directories(dir_.File(folder));
  }
  WriteConfigs(tls_cert, tls_key);
  ircd_ =
      Spawn({kInspircd, "--config", dir_.File("inspircd/inspircd.conf"), "--nofork", "--runasroot"},
            dir_.File("inspircd/out.log"));
  services_ = Spawn({kAtheme, "-n", "-c", dir_.File("atheme/etc/atheme.conf"), "-l",
                     dir_.File("atheme/logs/atheme.log"), "-p", dir_.File("atheme/run/atheme.pid"),
                     "-D", dir_.File("atheme/data")},
                    dir_.File("atheme/out.log"));
  try {
    WaitUntilReady();
  } catch (...) {
    Stop();
    throw;
  }
}

SaslLab::~SaslLab() {
  Stop();
}

void SaslLab::Stop() {
  StopServerProcess(services_);
  // InspIRCd may end with a crash on SIGTERM; it is gone either way.
  StopServerProcess(ircd_);
}

pid_t SaslLab::Spawn(const std::vector<std::string>& argv, const std::string& log) const {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  // InspIRCd may dump core when it is stopped; a test run leaves no core files
  // behind (the limit is inherited, and the test process needs none either).
  const rlimit no_core{0, 0};
  setrlimit(RLIMIT_CORE, &no_core);
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed) throw std::runtime_error(std::string("could not start ") + args[0]);
  return pid;
}

void SaslLab::WaitUntilReady() {
  const auto deadline = std::chrono::steady_clock::now() + kReadyWait;
  while (!LoopbackPortAccepts(plain_port_) || !OffersSasl(plain_port_)) {
    int status = 0;
    if (waitpid(ircd_, &status, WNOHANG) == ircd_) {
      ircd_ = -1;
      throw std::runtime_error("inspircd exited: " + dir_.Read("inspircd/out.log"));
    }
    if (waitpid(services_, &status, WNOHANG) == services_) {
      services_ = -1;
      throw std::runtime_error("atheme exited: " + dir_.Read("atheme/out.log") +
                               dir_.Read("atheme/logs/atheme.log"));
    }
    if (std::chrono::steady_clock::now() > deadline) {
      throw std::runtime_error("no SASL in time: " + dir_.Read("inspircd/logs/ircd.log") +
                               dir_.Read("atheme/logs/atheme.log"));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

void SaslLab::RegisterAccount(const std::string& nick, const std::string& password) {
  IrcTestClient client(Host(), plain_port_, nick);
  client.Send("PRIVMSG NickServ :REGISTER " + password + " " + nick + "@lab.test");
  if (!client.WaitFor("registered", 10000)) {
    throw std::runtime_error("NickServ did not register " + nick);
  }
  client.Send("QUIT");
}

void SaslLab::AddCertificate(const std::string& nick, const std::string& password,
                             const std::string& fingerprint) {
  IrcTestClient client(Host(), plain_port_, nick);
  client.Send("PRIVMSG NickServ :IDENTIFY " + nick + " " + password);
  if (!client.WaitFor("now logged in", 10000)) {
    throw std::runtime_error("NickServ did not identify " + nick);
  }
  client.Send("PRIVMSG NickServ :CERT ADD " + fingerprint);
  if (!client.WaitFor("to your fingerprint list", 10000)) {
    throw std::runtime_error("NickServ did not add the fingerprint for " + nick);
  }
  client.Send("QUIT");
}

void SaslLab::WriteConfigs(const std::string& tls_cert, const std::string& tls_key) const {
  const std::string lab = dir_.Path();
  const std::string plain = std::to_string(plain_port_);
  const std::string link = std::to_string(link_port_);
  // TLS clients on a port of their own, asked for a certificate, whose
  // fingerprint the services see.
  const std::string tls = tls_cert.empty()
                              ? std::string()
                              : "<module name=\"ssl_gnutls\"><module name=\"sslinfo\">\n"
                                "<sslprofile name=\"Clients\" provider=\"gnutls\" certfile=\"" +
                                    tls_cert + "\" keyfile=\"" + tls_key +
                                    "\" hash=\"sha256\" requestclientcert=\"yes\">\n"
                                    "<bind address=\"127.0.0.1\" port=\"" +
                                    std::to_string(tls_port_) +
                                    "\" type=\"clients\" sslprofile=\"Clients\">\n";
  dir_.Write(
      "inspircd/inspircd.conf",
      "<config format=\"xml\">\n"
      "<server name=\"irc.lab.test\" description=\"lab\" id=\"0AA\" network=\"LabNet\">\n"
      "<admin name=\"lab\" nick=\"lab\" email=\"lab@localhost\">\n"
      "<path configdir=\"" +
          lab + "inspircd\" datadir=\"" + lab + "inspircd/data\" logdir=\"" + lab +
          "inspircd/logs\" runtimedir=\"" + lab +
          "inspircd/run\" moduledir=\"/usr/lib/inspircd/modules\">\n"
          "<pid file=\"" +
          lab +
          "inspircd/run/inspircd.pid\">\n"
          "<module name=\"cap\"><module name=\"sasl\"><module name=\"services_account\">\n"
          "<module name=\"spanningtree\"><module name=\"chghost\"><module name=\"cban\">"
          "<module name=\"svshold\">\n"
          // Account tracking and the other capabilities the bot may ask for.
          "<module name=\"ircv3\"><module name=\"ircv3_accounttag\">"
          "<module name=\"ircv3_chghost\"><module name=\"ircv3_capnotify\">"
          "<module name=\"namesx\">\n"
          // A quiet (extended ban m:) and a join throttle (+j) for the
          // channel defences.
          "<module name=\"muteban\"><module name=\"joinflood\">\n"
          // An operator who may change hosts.
          "<class name=\"hosts\" commands=\"CHGHOST\">"
          "<type name=\"HostAdmin\" classes=\"hosts\">"
          "<oper name=\"lab\" password=\"lab-pw\" host=\"*@*\" type=\"HostAdmin\">\n" +
          tls + "<bind address=\"127.0.0.1\" port=\"" + plain +
          "\" type=\"clients\">\n"
          "<bind address=\"127.0.0.1\" port=\"" +
          link +
          "\" type=\"servers\">\n"
          "<connect name=\"main\" allow=\"*\" timeout=\"60\" pingfreq=\"120\" hardsendq=\"1M\" "
          "softsendq=\"65536\" recvq=\"65536\" threshold=\"1000\" commandrate=\"100000\" "
          "fakelag=\"no\" localmax=\"1000\" globalmax=\"1000\" resolvehostnames=\"no\" "
          "useident=\"no\">\n"
          "<link name=\"services.lab.test\" ipaddr=\"127.0.0.1\" port=\"" +
          link + "\" allowmask=\"127.0.0.0/8\" sendpass=\"" + kLinkPassword + "\" recvpass=\"" +
          kLinkPassword +
          "\">\n"
          "<uline server=\"services.lab.test\" silent=\"yes\">\n"
          "<sasl target=\"services.lab.test\" requiressl=\"no\">\n"
          "<dns server=\"127.0.0.1\" timeout=\"1\">\n"
          "<log method=\"file\" type=\"* -USERINPUT -USEROUTPUT\" level=\"default\" target=\"" +
          lab + "inspircd/logs/ircd.log\">\n");
  dir_.Write(
      "atheme/etc/atheme.conf",
      "loadmodule \"modules/protocol/inspircd\";\nloadmodule \"modules/backend/opensex\";\n"
      "loadmodule \"modules/crypto/pbkdf2v2\";\nloadmodule \"modules/nickserv/main\";\n"
      "loadmodule \"modules/nickserv/help\";\nloadmodule \"modules/nickserv/register\";\n"
      "loadmodule \"modules/nickserv/identify\";\nloadmodule \"modules/nickserv/info\";\n"
      "loadmodule \"modules/nickserv/logout\";\n"
      "loadmodule \"modules/saslserv/main\";\nloadmodule \"modules/saslserv/plain\";\n"
      "loadmodule \"modules/saslserv/external\";\nloadmodule \"modules/nickserv/cert\";\n"
      "serverinfo { name = \"services.lab.test\"; desc = \"lab\"; numeric = \"00A\"; recontime = "
      "2;\n"
      "  netname = \"LabNet\"; hidehostsuffix = \"users.lab\"; adminname = \"lab\";\n"
      "  adminemail = \"lab@localhost\"; registeremail = \"noreply@localhost\";\n"
      "  loglevel = {error;info;admin;network;wallops;}; maxlogins = 5; maxusers = 1000;\n"
      "  mdlimit = 30; emaillimit = 10; emailtime = 300; auth = none; casemapping = rfc1459; };\n"
      "uplink \"irc.lab.test\" { host = \"127.0.0.1\"; port = " +
          link +
          ";\n"
          "  send_password = \"" +
          kLinkPassword + "\"; receive_password = \"" + kLinkPassword +
          "\"; };\n"
          "nickserv { nick = \"NickServ\"; user = \"NickServ\"; host = \"services.lab.test\"; "
          "real = \"NickServ\"; maxnicks = 5; expire = 30; };\n"
          "saslserv { nick = \"SaslServ\"; user = \"SaslServ\"; host = \"services.lab.test\"; "
          "real = \"SASL\"; };\n"
          "general { flood_msgs = 0; flood_time = 10; ratelimit_uses = 1000; ratelimit_period = "
          "60;\n"
          "  kline_time = 7; clone_time = 0; commit_interval = 5; default_clone_allowed = 1000;\n"
          "  default_clone_warn = 1000; uplink_sendq_limit = 1048576; language = \"en\"; "
          "exempts{}; "
          "immune_level = immune; };\n"
          "operclass \"user\" { };\n");
}

}  // namespace zelmo::testing
