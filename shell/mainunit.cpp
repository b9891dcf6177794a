#include "shell/mainunit.h"

#include <chrono>
#include <exception>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>

#include "channel/tv_channels.h"
#include "shell/base/colors.h"
#include "shell/base/convert.h"
#include "shell/base/error_box.h"
#include "shell/base/file_access.h"
#include "shell/base/ini_switch.h"
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
std::optional<std::string> SecurityPasswordFrom(std::optional<std::string> value) {
  if (!value || value->empty() || SameText(*value, kPublishedSecurityPassword)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

TMainForm::TMainForm(UiPort& port, std::string program_folder, LookupEnvironment environment)
    : Port(port),
      MessageDisplay(port),
      ProgramFolder(std::move(program_folder)),
      environment_(std::move(environment)) {
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
  Timer = Port.CreateTimer([this] { RunAtTopOfUiThread([this] { TimerTimer(); }); });
  ReconnectTimer =
      Port.CreateTimer([this] { RunAtTopOfUiThread([this] { ReconnectTimerTimer(); }); });
  NickTimer = Port.CreateTimer([this] { RunAtTopOfUiThread([this] { NickTimerTimer(); }); });
  Port.SetCaption("ZelmoBot " + BotVersion());
  RunAtTopOfUiThread([this] { LoadConfig(); });
  MessageDisplay.DisplayLines({"Opening ZelmoBot " + BotVersion() + "..",
                               "Type \"Connect\" to connect to the current IRC server"});
  MessageDisplay.DisplayLine("Data folder: " + ProgramFolder);
  SavedChannels.clear();
  // A bot without an operator (a service) connects by itself when told to;
  // posted, so that the front end shows the opening lines first.
  RunAtTopOfUiThread([this] {
    if (ReadSwitch(TIniFile(ConfigPath()), "Me", "AutoConnect", false)) {
      PostToForm([this] { RunAtTopOfUiThread([this] { AutoConnect(); }); });
    }
  });
}

void TMainForm::SetUpIrc() {
  IRC.SetNick("ZelmoBot");
  IRC.AltNick = "ZelmoBot-";
  IRC.Username = "ZelmoBot";
  IRC.RealName = "Zelmo Bot";
  IRC.Replies.Version = "ZelmoBot " + BotVersion();
  IRC.Replies.ClientInfo =
      "ZelmoBot " + BotVersion() + " - an IRC channel bot with an operator window";
  IRC.SetUserMode(0);
  IRC.MaxLineAction = OverlongLineAction::maException;
  IRC.SetUiPoster([this](std::function<void()> task) { Port.PostToUiThread(std::move(task)); });
  IRC.SetEvents(*this);
}

void TMainForm::LoadTls(const TIniFile& ini) {
  IRC.Tls.enabled = ReadSwitch(ini, "Me", "TLS", false);
  IRC.Tls.verify = ReadSwitch(ini, "Me", "TLSVerify", true);
  IRC.Tls.ca_file = ini.ReadString("Me", "TLSCAFile", "");
  IRC.Tls.fingerprint = ini.ReadString("Me", "TLSFingerprint", "");
  IRC.Tls.cert_file = ini.ReadString("Me", "TLSCertFile", "");
}

void TMainForm::LoadConfig() {
  TIniFile ini(ConfigPath());
  UsersFileName = ini.ReadString("General", "Usersfile", "Users.ini");
  SecurityPassword = SecurityPasswordFrom(ini.ReadValue("General", "Security password"));
  KickOnColors = ini.ReadBool("General", "KickOnColors", true);
  AutoVoice = ini.ReadBool("General", "AutoVoice", true);
  const LoginSettings logins = ReadLoginSettings(ini);
  failed_logins_.SetLimits(logins.throttle);
  HashPasswords = logins.hash_passwords;
  IRC.SetNick(ini.ReadString("Me", "Nick", "ZelmoBot"));
  IRC.RealName = ini.ReadString("Me", "Realname", "Zelmo Bot");
  IRC.Host = ini.ReadString("Me", "IRCHost", "localhost");
  LoadTls(ini);
  IRC.Port = ini.ReadInteger("Me", "Port", IRC.Tls.enabled ? 6697 : 6667);
  IRC.Username = ini.ReadString("Me", "Username", "ZelmoBot");
  IRC.SASLUser = ini.ReadString("Me", "SASLUser", "");
  IRC.SASLPassword = ini.ReadString("Me", "SASLPassword", "");
  IRC.SASLMechanism =
      SameText(ini.ReadString("Me", "SASLMechanism", "PLAIN"), "EXTERNAL") ? "EXTERNAL" : "PLAIN";
  IRC.UTF8Only = ReadSwitch(ini, "Me", "UTF8Only", false);
  IRC.SendBurst = ini.ReadInteger("Me", "SendBurst", 5);
  IRC.SendInterval = ini.ReadInteger("Me", "SendInterval", 1000);
  IRC.PingInterval = ini.ReadInteger("Me", "PingInterval", 120);
  QuitMessage = ini.ReadString("Me", "Quitmsg", "ZelmoBot " + BotVersion());
  LoadReconnect(ini);
  auto colour = [&ini](const char* key, const char* fallback) {
    return StringToColor(ini.ReadString("Display", key, fallback));
  };
  MessageDisplay.SetBackground(colour("Background", "ClWindow"));
  MessageDisplay.SetFontFace(ini.ReadString("Display", "Fontface", "MS Sans Serif"));
  MessageDisplay.NormalColor = colour("Normal Text Color", "ClBlack");
  MessageDisplay.ImportantColor = colour("Important Text Color", "ClGreen");
  MessageDisplay.DangerousColor = colour("Dangerous Text Color", "ClOlive");
  MessageDisplay.ErrorousColor = colour("Errorous Text Color", "ClRed");
  MessageDisplay.SetMaxLines(DisplayMaxLinesFrom(ini.ReadString("Display", "MaxLines", "")));
  LoadLookups(ini);
  MessageDisplay.DisplayColoredLine("(Re)Loaded Config file...", Important);
  if (!SecurityPassword) {
    MessageDisplay.DisplayColoredLine(
        "No security password is set: generalowner and reload are off", Dangerous);
  }
  WarnOfOpenFiles();
}

void TMainForm::WarnOfOpenFiles() {
  for (const auto& [path, name] : {std::pair(ConfigPath(), std::string("Config.ini")),
                                   std::pair(UsersFilePath(), UsersFileName)}) {
    if (auto warning = SecretFileWarning(path, name)) {
      MessageDisplay.DisplayColoredLine(*warning, Dangerous);
    }
  }
}

void TMainForm::LoadLookups(const TIniFile& ini) {
  dictionary_ =
      DictionaryFrom(environment_.dictionary, ini.ReadString("Lookups", "Dictionary", ""));
  std::array<std::string, kTvChannelCount> channel_ids;
  for (std::size_t k = 0; k < kTvChannelCount; ++k) {
    channel_ids[k] = ini.ReadString("TV", kTvChannels[k].key, "");
  }
  tv_listing_ = TvListingFrom(environment_.tv, ini.ReadString("Lookups", "TVListing", ""),
                              ProgramFolder, channel_ids);
  reply_lines_ = ReplyLinesFrom(ini.ReadString("Lookups", "MaxReplyLines", ""));
}

void TMainForm::WriteNickBack() {
  TIniFile(ConfigPath()).WriteString("Me", "Nick", IRC.Nick());
}

void TMainForm::UserInputEntered(const std::string& line) {
  RunAtTopOfUiThread([&] { ConsoleCommand(*this, line); });
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
  Timer->SetEnabled(false);
  ReconnectTimer->SetEnabled(false);
  NickTimer->SetEnabled(false);
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
