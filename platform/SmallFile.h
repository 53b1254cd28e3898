// The start of a small file (a settings or configuration file) read into memory.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace platform {

// The file's first `maxBytes` bytes (all of it when it is shorter), or nothing when it cannot be opened.
// Reads only what the file holds, so a generous bound costs nothing for a short file. A caller that must
// tell a file over its limit asks for one byte more than the limit.
std::optional<std::string> readFileStart(const std::string& path, std::size_t maxBytes);

}  // namespace platform
