#include <dlfcn.h>
#include <unistd.h>

#include <array>

#include "irc/tls_link.h"
#include "irc/transport_errors.h"

namespace zelmo {

namespace {

// The folder of the running program, with a trailing "/"; empty when the
// system does not say.
std::string ProgramFolder() {
  std::array<char, 4096> path{};
  ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (length <= 0) return {};
  std::string program(path.data(), static_cast<std::size_t>(length));
  return program.substr(0, program.rfind('/') + 1);
}

// Beside the program in the build folder; in lib/zelmobot/ beside bin/ when
// installed.
std::string ModulePath() {
  const std::string folder = ProgramFolder();
  std::string installed = folder + "../lib/zelmobot/" + kTlsModuleFile;
  std::string beside = folder + kTlsModuleFile;
  return ::access(beside.c_str(), F_OK) != 0 && ::access(installed.c_str(), F_OK) == 0 ? installed
                                                                                       : beside;
}

[[noreturn]] void CannotLoad(const std::string& why) {
  throw EIdTLSError("TLS: the TLS module cannot be loaded: " + why);
}

}  // namespace

ZelmoTlsConnect* LoadTlsModule() {
  const std::string path = ModulePath();
  // Never unloaded: OpenSSL does not go away cleanly from a running
  // process, and a later connection finds it loaded.
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (module == nullptr) {
    const char* error = ::dlerror();
    CannotLoad(error != nullptr ? error : path);
  }
  void* entry = ::dlsym(module, kTlsConnectSymbol);
  ::dlclose(module);
  if (entry == nullptr) CannotLoad(path + " has no " + kTlsConnectSymbol);
  return reinterpret_cast<ZelmoTlsConnect*>(entry);
}

}  // namespace zelmo
