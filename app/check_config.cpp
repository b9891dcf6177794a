#include "app/check_config.h"

#include <iostream>

#include "shell/base/config_read.h"
#include "shell/config_check.h"

namespace zelmo {

int RunCheckConfig(const std::string& data_folder) {
  const std::vector<ConfigProblem> problems =
      CheckConfiguration(data_folder, LookupEnvironment::FromEnvironment());
  for (const ConfigProblem& problem : problems) std::cout << ProblemLine(problem) << "\n";
  if (problems.empty()) {
    const std::string users = ConfigText(TIniFile(data_folder + "Config.ini"), config::kUsersfile);
    std::cout << "Config.ini and " << users << ": OK\n";
  }
  std::cout.flush();
  return problems.empty() ? 0 : 1;
}

}  // namespace zelmo
