#include "shell/mainunit.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>

#include "shell/base/config_names.h"
#include "shell/base/config_read.h"
#include "shell/base/convert.h"
#include "shell/base/error_box.h"
#include "shell/base/file_access.h"
#include "shell/main_form_factory.h"
#include "shell/usermsg.h"
#include "users/bot_version.h"
#include "users/login_settings.h"

namespace zelmo {

namespace {

constexpr int kShutdownSendMs = 3000;

// The default text of older versions: published, so anyone could have used
// it where Config.ini set no password of its own.
constexpr std::string_view kPublishedSecurityPassword = "-unset-pw-";

// None when Config.ini sets no password, an empty one or the published one.
std::optional<std::string> SecurityPasswordFrom(std::string value) {
  if (value.empty() || SameText(value, kPublishedSecurityPassword)) return std::nullopt;
  return value;
}

}  // namespace

TMainForm::TMainForm(UiPort& port, std::string program_folder, LookupEnvironment environment)
    : Port(port),
      MessageDisplay(port),
      Timer(CreateCaughtTimer(port, *this, [this] { TimerTimer(); })),
      ProgramFolder(std::move(program_folder)),
      lookups_(std::move(environment)),
      rejoin_(IRC, MessageDisplay, *Timer),
      reconnect_(IRC, MessageDisplay, port, *this, rejoin_, regain_),
      regain_(IRC, MessageDisplay, port, *this),
      bans_(*this, port, *this),
      locks_(*this, port, *this) {
  FormCreate();
}

TMainForm::~TMainForm() {
  closing_ = true;
  // The reader thread must be gone before any part of the form is, and a
  // notice it queued must find the form gone rather than half released.
  IRC.Stop();
  lifetime_.reset();
  if (TCP.IsLinkUp()) TCP.CloseLink();
}

void TMainForm::FormCreate() {
  SetUpIrc();
  TCP.Port = 80;
  Port.SetCaption("ZelmoBot " + BotVersion());
  RunAtTopOfUiThread([this] { LoadConfig(); });
  MessageDisplay.DisplayLines({"Opening ZelmoBot " + BotVersion() + "..",
                               "Type \"Connect\" to connect to the current IRC server"});
  MessageDisplay.DisplayLine("Data folder: " + ProgramFolder);
  health_.Ready();
  health_.WatchStatus([this] { return ServiceLinkFacts(); });
  bans_.Open(ProgramFolder + kBansFileName);
  // A bot without an operator (a service) connects by itself when told to;
  // posted, so that the front end shows the opening lines first.
  RunAtTopOfUiThread([this] {
    if (ConfigOn(TIniFile(ConfigPath()), config::kAutoConnect)) {
      PostToForm([this] { RunAtTopOfUiThread([this] { reconnect_.AutoConnect(); }); });
    }
  });
}

LinkFacts TMainForm::ServiceLinkFacts() {
  using State = LinkFacts::State;
  LinkFacts facts;
  facts.host = IRC.Host;
  if (IRC.IsLinkUp()) {
    facts.state = IRC.ConnectionState() == stConnected ? State::Connected : State::Registering;
    facts.nick = IRC.Nick();
    facts.channels = IRC.Channels.Count();
  } else if (IRC.Connecting()) {
    facts.state = State::Connecting;
  } else if (const auto pending = reconnect_.Pending()) {
    facts.state = State::Waiting;
    const auto left = pending->due - std::chrono::steady_clock::now();
    facts.seconds_left =
        std::max<long long>(0, std::chrono::ceil<std::chrono::seconds>(left).count());
    facts.attempt = pending->attempt;
  }
  return facts;
}

void TMainForm::SetUpIrc() {
  IRC.AltNick = "ZelmoBot-";
  IRC.Replies.Version = "ZelmoBot " + BotVersion();
  IRC.Replies.ClientInfo =
      "ZelmoBot " + BotVersion() + " - an IRC channel bot with an operator window";
  IRC.SetUserMode(0);
  IRC.MaxLineAction = OverlongLineAction::maException;
  IRC.SetUiPoster([this](std::function<void()> task) { Port.PostToUiThread(std::move(task)); });
  IRC.SetEvents(*this);
}

void TMainForm::LoadTls(const TIniFile& ini) {
  IRC.Tls.enabled = ConfigOn(ini, config::kTls);
  IRC.Tls.verify = ConfigOn(ini, config::kTlsVerify);
  IRC.Tls.ca_file = ConfigText(ini, config::kTlsCaFile);
  IRC.Tls.fingerprint = ConfigText(ini, config::kTlsFingerprint);
  IRC.Tls.cert_file = ConfigText(ini, config::kTlsCertFile);
}

void TMainForm::LoadConfig() {
  const ServiceHealth::Reload reload(health_);
  const TIniFile ini(ConfigPath());
  for (const ConfigNote& note : UnknownConfigNames(ini)) {
    MessageDisplay.DisplayColoredLine(note.text, Important);
  }
  try {
    ApplyConfig(ini);
  } catch (const EConfigError& error) {
    // The error box says what is wrong, this line where. The warnings about
    // the files do not depend on the keys left unread, so they still come.
    MessageDisplay.DisplayColoredLine("Config.ini " + error.Described(), Important);
    WarnOfFileAccess();
    throw;
  } catch (const Exception&) {
    WarnOfFileAccess();  // an environment variable's value was refused
    throw;
  }
  MessageDisplay.DisplayColoredLine("(Re)Loaded Config file...", Important);
  if (!SecurityPassword) {
    MessageDisplay.DisplayColoredLine(
        "No security password is set: generalowner and reload are off", Dangerous);
  }
  WarnOfFileAccess();
}

void TMainForm::ApplyConfig(const TIniFile& ini) {
  using namespace config;
  UsersFileName = ConfigText(ini, kUsersfile);
  SecurityPassword = SecurityPasswordFrom(ConfigText(ini, kSecurityPassword));
  Protect = ProtectSettings::Read(ini);
  KickOnColors = Protect.Defaults().kick_on_colors;
  AutoVoice = Protect.Defaults().auto_voice;
  const LoginSettings logins = ReadLoginSettings(ini);
  failed_logins_.SetLimits(logins.throttle);
  HashPasswords = logins.hash_passwords;
  IRC.SetNick(ConfigText(ini, kNick));
  IRC.RealName = ConfigText(ini, kRealname);
  IRC.Host = ConfigText(ini, kIrcHost);
  LoadTls(ini);
  IRC.Port = ConfigNumber(ini, kPort, IRC.Tls.enabled ? std::optional(kTlsPort) : std::nullopt);
  IRC.Username = ConfigText(ini, kUsername);
  IRC.SASLUser = ConfigText(ini, kSaslUser);
  IRC.SASLPassword = ConfigText(ini, kSaslPassword);
  IRC.SASLMechanism = ConfigText(ini, kSaslMechanism);
  AccountLogin = ConfigOn(ini, kAccountLogin);
  IRC.RequestsCapabilities = AccountLogin || ConfigOn(ini, kCapabilities);
  IRC.UTF8Only = ConfigOn(ini, kUtf8Only);
  IRC.SendBurst = ConfigNumber(ini, kSendBurst);
  IRC.SendInterval = ConfigNumber(ini, kSendInterval);
  IRC.PingInterval = ConfigNumber(ini, kPingInterval);
  QuitMessage = ConfigText(ini, kQuitmsg);
  reconnect_.ReconnectAlways = ConfigText(ini, kReconnect) == "always";
  LoadDisplay(ini);
  lookups_.LoadLookups(ini, ProgramFolder);
  logs_.Configure(ini, ProgramFolder);
  scripts_.Configure(ini, ProgramFolder, ScriptFacts());
}

void TMainForm::LoadDisplay(const TIniFile& ini) {
  MessageDisplay.SetBackground(ConfigNumber(ini, config::kBackground));
  MessageDisplay.SetFontFace(ConfigText(ini, config::kFontface));
  MessageDisplay.NormalColor = ConfigNumber(ini, config::kNormalColor);
  MessageDisplay.ImportantColor = ConfigNumber(ini, config::kImportantColor);
  MessageDisplay.DangerousColor = ConfigNumber(ini, config::kDangerousColor);
  MessageDisplay.ErrorousColor = ConfigNumber(ini, config::kErrorousColor);
  MessageDisplay.SetMaxLines(ConfigNumber(ini, config::kMaxLines));
}

void TMainForm::WarnOfFileAccess() {
  for (const std::string& warning : DataFileWarnings(ProgramFolder, UsersFileName)) {
    MessageDisplay.DisplayColoredLine(warning, Dangerous);
  }
  for (const auto& [path, name] : {std::pair(ConfigPath(), std::string("Config.ini")),
                                   std::pair(UsersFilePath(), UsersFileName)}) {
    if (auto warning = SecretFileWarning(path, name)) {
      MessageDisplay.DisplayColoredLine(*warning, Dangerous);
    }
  }
}

void TMainForm::WriteNickBack() {
  TIniFile(ConfigPath()).WriteString("Me", "Nick", IRC.Nick());
}

void TMainForm::UserInputEntered(const std::string& line) {
  RunAtTopOfUiThread([&] { ConsoleCommand(*this, line); });
}

void TMainForm::ReloadBySignal() {
  RunAtTopOfUiThread([this] { LoadConfig(); });
}

void TMainForm::ClearDisplay() {
  MessageDisplay.Clear();
  MessageDisplay.DisplayLine("Message display cleared by host");
}

void TMainForm::Comment(const std::string& text) {
  MessageDisplay.DisplayColoredLine("Comment by user: " + text, Dangerous);
}

bool TMainForm::FormCloseQuery() {
  bool close = false;
  RunAtTopOfUiThread([&] {
    if (!Port.Question(kBoxTitle, "Do you want to exit ZelmoBot?")) return;
    Shutdown();
    close = true;
  });
  return close;
}

void TMainForm::Shutdown() {
  if (closing_) return;
  closing_ = true;
  health_.Stopping();
  Timer->SetEnabled(false);
  reconnect_.CancelReconnect();
  regain_.StopNickRegain();
  IRC.CancelConnect();
  // The program ends whatever the network does now: a server that no longer
  // reads gets a few seconds for the QUIT, not forever.
  try {
    IRC.SetSendTimeout(kShutdownSendMs);
    if (IRC.IsLinkUp()) IRC.QuitAtOnce(QuitMessage);
  } catch (const std::exception&) {
  }
  try {
    if (TCP.IsLinkUp()) TCP.CloseLink();
  } catch (const std::exception&) {
  }
}

void TMainForm::RunAtTopOfUiThread(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& error) {
    ShowError(error.what());
  }
}

void TMainForm::ShowError(const std::string& message) {
  Port.ErrorBox(kBoxTitle, ErrorBoxText(message));
}

void TMainForm::Pause(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void TMainForm::PostToForm(std::function<void()> task) {
  std::weak_ptr<Lifetime> form = lifetime_;
  Port.PostToUiThread([form, task = std::move(task)] {
    if (!form.expired()) task();
  });
}

namespace {

class MainFormFactory : public FormFactory {
 public:
  explicit MainFormFactory(std::string program_folder)
      : program_folder_(std::move(program_folder)) {}
  std::unique_ptr<FormHost> CreateForm(UiPort& port) override {
    return std::make_unique<TMainForm>(port, program_folder_);
  }

 private:
  std::string program_folder_;
};

}  // namespace

std::unique_ptr<FormFactory> MakeMainFormFactory(std::string program_folder) {
  return std::make_unique<MainFormFactory>(std::move(program_folder));
}

}  // namespace zelmo
