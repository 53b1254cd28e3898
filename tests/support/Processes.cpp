#include "support/Processes.h"

#include "support/TempDir.h"

#include <filesystem>
#include <sstream>

namespace testing_support {

std::vector<ProcessStat> allProcesses() {
  std::vector<ProcessStat> processes;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    // Empty or cut short when the process ended meanwhile.
    const std::string stat = readFile(entry.path() / "stat");
    const std::size_t open = stat.find('(');
    const std::size_t close = stat.rfind(')');  // the command name may hold blanks and brackets
    if (open == std::string::npos || close == std::string::npos || close < open) continue;
    ProcessStat process;
    process.pid = static_cast<pid_t>(std::stol(name));
    process.command = stat.substr(open + 1, close - open - 1);
    std::istringstream fields(stat.substr(close + 1));
    long group = 0;
    if (fields >> process.state >> process.parent >> group >> process.session) processes.push_back(process);
  }
  return processes;
}

std::vector<pid_t> runningInSession(pid_t session) {
  std::vector<pid_t> running;
  for (const ProcessStat& process : allProcesses())
    if (process.session == session && process.state != 'Z') running.push_back(process.pid);
  return running;
}

}  // namespace testing_support
