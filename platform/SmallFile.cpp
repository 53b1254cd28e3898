#include "platform/SmallFile.h"

#include <algorithm>
#include <fstream>

namespace platform {

std::optional<std::string> readFileStart(const std::string& path, std::size_t maxBytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text;
  char chunk[16 * 1024];
  while (text.size() < maxBytes) {
    const std::size_t wanted = std::min(sizeof chunk, maxBytes - text.size());
    in.read(chunk, static_cast<std::streamsize>(wanted));
    text.append(chunk, static_cast<std::size_t>(in.gcount()));
    if (!in) break;
  }
  return text;
}

}  // namespace platform
