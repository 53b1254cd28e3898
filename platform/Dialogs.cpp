#include "Dialogs.h"

namespace platform {
namespace {

// Used when no dialogs are installed (a headless tool): every question is cancelled.
class CancelDialogs final : public Dialogs {
 public:
  int MessageBox(const std::string&, const std::string&, DialogIcon, DialogButtons buttons) override {
    return buttons == DialogButtons::Ok ? ModalResult::Ok : ModalResult::Cancel;
  }
  bool SelectFolder(const std::string&, std::string&) override { return false; }
  std::vector<std::string> OpenFiles(const std::string&, const std::string&, const std::string&) override {
    return {};
  }
};

Dialogs* installedDialogs = nullptr;
Dialogs* defaultDialogs = nullptr;

}  // namespace

Dialogs& CurrentDialogs() {
  static CancelDialogs cancel;
  if (installedDialogs != nullptr) return *installedDialogs;
  return defaultDialogs != nullptr ? *defaultDialogs : cancel;
}

void SetDialogs(Dialogs* dialogs) {
  installedDialogs = dialogs;
}
void SetDefaultDialogs(Dialogs* dialogs) {
  defaultDialogs = dialogs;
}

}  // namespace platform
