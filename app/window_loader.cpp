#include "app/window_loader.h"

#include <dlfcn.h>

#include <cstdlib>

#include "shell/ui/window_module.h"

namespace zelmo {

namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

bool DisplayAvailable() {
  return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
}

std::optional<int> RunWindowFrontEnd(const std::string& program_folder, int argc, char** argv,
                                     FormFactory& factory, std::string& why_not) {
  std::string path = program_folder + kWindowModuleFile;
  // The module stays loaded for the rest of the process: a toolkit does not
  // survive being unloaded while its objects may still be torn down.
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* error = dlerror();
    why_not = error != nullptr ? error : "cannot load " + path;
    return std::nullopt;
  }
  void* symbol = dlsym(module, kWindowMainSymbol);
  if (symbol == nullptr) {
    why_not = path + " has no " + kWindowMainSymbol;
    return std::nullopt;
  }
  auto* window_main = reinterpret_cast<ZelmoWindowMain*>(symbol);
  return window_main(argc, argv, &factory);
}

}  // namespace zelmo
