// Whether another program holds a file. Linux has no exclusive opens, so "in use" is told from
// whether the file opens for reading and writing, and from the open descriptors of other processes.
#pragma once

#include <string>

namespace platform {

bool canOpenForReadWrite(const std::string& path);

// True when a process other than this one has the file open (a scan of /proc/*/fd).
bool isHeldOpenByOtherProcess(const std::string& path);

}  // namespace platform
