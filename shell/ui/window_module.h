#pragma once

namespace zelmo {
class FormFactory;
}

// The window front end is a module that the program loads only when it shows
// a window, so a headless bot never maps the toolkit's libraries. The program
// looks the entry up by name; it runs the toolkit's event loop until the main
// window has closed and returns the process exit code.
extern "C" {
using ZelmoWindowMain = int(int argc, char** argv, zelmo::FormFactory* factory);
}

namespace zelmo {
inline constexpr const char* kWindowMainSymbol = "zelmobot_window_main";
inline constexpr const char* kWindowModuleFile = "libzelmobot_qt.so";
}  // namespace zelmo
