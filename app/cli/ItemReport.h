// What clipwave-cli has said about the item it runs: the messages, and whether the item failed.
#pragma once

#include "app/cli/Terminal.h"

#include <string>

namespace cli {

class ItemReport {
 public:
  explicit ItemReport(Terminal& terminal) : terminal_(terminal) {}

  // A new item: nothing said about it yet.
  void begin(const std::string& item) {
    item_ = item;
    failed_ = false;
  }
  const std::string& item() const { return item_; }

  // The item failed: one line on standard error naming the item (unless `text` names it already)
  // and the cause.
  void fail(const std::string& item, const std::string& text) {
    failed_ = true;
    const std::string shown = oneLine(text);
    if (item.empty() || shown.find(item) != std::string::npos)
      terminal_.message(shown);
    else
      terminal_.message(item + ": " + shown);
  }
  void fail(const std::string& text) { fail(item_, text); }

  bool failed() const { return failed_; }
  Terminal& terminal() { return terminal_; }

 private:
  Terminal& terminal_;
  std::string item_;
  bool failed_ = false;
};

}  // namespace cli
