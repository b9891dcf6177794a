#include "shell/base/modules.h"

#include <dlfcn.h>
#include <unistd.h>

#include <array>

namespace zelmo {

std::string RunningProgramFolder() {
  std::array<char, 4096> path{};
  ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (length <= 0) return {};
  std::string program(path.data(), static_cast<std::size_t>(length));
  return program.substr(0, program.rfind('/') + 1);
}

std::string ModulePath(const std::string& program_folder, const std::string& file) {
  std::string installed = program_folder + "../lib/zelmobot/" + file;
  std::string beside = program_folder + file;
  return ::access(beside.c_str(), F_OK) != 0 && ::access(installed.c_str(), F_OK) == 0 ? installed
                                                                                       : beside;
}

void* LoadModuleEntry(const std::string& path, const char* entry, std::string& why_not) {
  // A bare name would be looked for in the library path and the current
  // folder, where anyone might have put a file of that name.
  if (!path.starts_with('/')) {
    why_not = "cannot load " + path + ": not an absolute path (the program's folder is unknown)";
    return nullptr;
  }
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (module == nullptr) {
    const char* error = ::dlerror();
    why_not = error != nullptr ? error : "cannot load " + path;
    return nullptr;
  }
  void* symbol = ::dlsym(module, entry);
  // RTLD_NODELETE keeps it mapped; this only drops the count of the open.
  ::dlclose(module);
  if (symbol == nullptr) why_not = path + " has no " + entry;
  return symbol;
}

}  // namespace zelmo
