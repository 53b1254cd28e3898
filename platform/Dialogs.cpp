#include "Dialogs.h"

namespace platform {
namespace {

// Used when no dialogs are installed (a headless tool): every question is cancelled.
class CancelDialogs final : public Dialogs {
 public:
  int messageBox(const std::string&, const std::string&, DialogIcon, DialogButtons buttons) override {
    return buttons == DialogButtons::Ok ? ModalResult::Ok : ModalResult::Cancel;
  }
  bool selectFolder(const std::string&, std::string&) override { return false; }
  std::vector<std::string> openFiles(const std::string&, const std::string&, const std::string&) override {
    return {};
  }
};

Dialogs* installedDialogs = nullptr;
Dialogs* defaultDialogs = nullptr;

}  // namespace

Dialogs& currentDialogs() {
  static CancelDialogs cancel;
  if (installedDialogs != nullptr) return *installedDialogs;
  return defaultDialogs != nullptr ? *defaultDialogs : cancel;
}

void setDialogs(Dialogs* dialogs) {
  installedDialogs = dialogs;
}
void setDefaultDialogs(Dialogs* dialogs) {
  defaultDialogs = dialogs;
}

}  // namespace platform
