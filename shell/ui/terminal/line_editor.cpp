#include "shell/ui/terminal/line_editor.h"

#include "shell/base/modules.h"

namespace zelmo {

std::unique_ptr<LineEditor> OpenLineEditor(int input_fd, int output_fd, const std::string& prompt,
                                           LineEditor::LineHandler on_line, std::string& why_not) {
  void* entry = LoadModuleEntry(ModulePath(RunningProgramFolder(), kEditModuleFile),
                                kEditOpenSymbol, why_not);
  if (entry == nullptr) return nullptr;
  auto* open = reinterpret_cast<ZelmoEditOpen*>(entry);
  return std::unique_ptr<LineEditor>(
      open(input_fd, output_fd, prompt, std::move(on_line), why_not));
}

}  // namespace zelmo
