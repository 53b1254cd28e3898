// The processes of this machine as /proc shows them, for tests that check that a program leaves none of
// its children behind. A process may end while it is looked at: it is then left out, never an error.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testing_support {

// The fields of /proc/PID/stat a test looks at.
struct ProcessStat {
  pid_t pid = 0;
  std::string command;  // the name of the program, as the kernel keeps it (at most 15 bytes)
  char state = 0;       // 'R', 'S', ..., 'Z' for one that ended and awaits collection
  long parent = 0;
  long session = 0;
};

std::vector<ProcessStat> allProcesses();

// The processes of session `session` still running (ended ones awaiting collection are not counted).
std::vector<pid_t> runningInSession(pid_t session);

}  // namespace testing_support
