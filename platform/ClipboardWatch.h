// Tells its owner when the clipboard changes, and once right after it starts watching (so text that
// is already on the clipboard is seen at start).
#pragma once

#include <QObject>

#include <functional>
#include <optional>
#include <string>

namespace platform {

class ClipboardWatch : public QObject {
 public:
  explicit ClipboardWatch(std::function<void()> onChange);

  // The clipboard's plain text, or nothing when it offers no text or more than `maxBytes` of it.
  static std::optional<std::string> text(std::size_t maxBytes);

 private:
  std::function<void()> onChange_;
};

}  // namespace platform
