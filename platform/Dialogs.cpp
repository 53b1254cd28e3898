#include "Dialogs.h"

namespace platform {
namespace {

// Used when no dialogs are installed (a headless tool): every question is cancelled.
class CancelDialogs final : public Dialogs {
 public:
  int MessageBox(const std::string&, const std::string&, DialogIcon, DialogButtons buttons) override {
    return buttons == DialogButtons::Ok ? mrOk : mrCancel;
  }
  bool SelectFolder(const std::string&, std::string&) override { return false; }
  std::vector<std::string> OpenFiles(const std::string&, const std::string&, const std::string&) override {
    return {};
  }
};

Dialogs* g_current = nullptr;
Dialogs* g_default = nullptr;

}  // namespace

Dialogs& CurrentDialogs() {
  static CancelDialogs cancel;
  if (g_current != nullptr) return *g_current;
  return g_default != nullptr ? *g_default : cancel;
}

void SetDialogs(Dialogs* dialogs) {
  g_current = dialogs;
}
void SetDefaultDialogs(Dialogs* dialogs) {
  g_default = dialogs;
}

}  // namespace platform
