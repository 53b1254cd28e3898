// Dialogs for tests: every dialog shown is recorded, and answered from a queue of scripted answers.
// A dialog with no answer queued fails the test (and is answered with Cancel).
#pragma once

#include "platform/Dialogs.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

struct ShownDialog {
  enum Kind { MessageBox, SelectFolder, OpenFiles } kind = MessageBox;
  std::string caption;  // or the picker's title
  std::string text;     // or the picker's filter
  platform::DialogIcon icon = platform::DialogIcon::None;
  platform::DialogButtons buttons = platform::DialogButtons::Ok;
};

// An answer: a modal result for a message box; for a picker, the chosen paths (none = cancelled).
struct DialogAnswer {
  int result = platform::ModalResult::Ok;
  std::vector<std::string> paths;
};

class ScriptedDialogs final : public platform::Dialogs {
 public:
  ScriptedDialogs();   // installs itself as the current dialogs
  ~ScriptedDialogs();  // restores the previous ones and fails the test when answers were left unused

  void answer(int result) { answers_.push_back({result, {}}); }
  void answerPaths(std::vector<std::string> paths) {
    answers_.push_back({platform::ModalResult::Ok, std::move(paths)});
  }
  // Called when a dialog is shown, before it is answered (for example to check window state).
  void onShow(std::function<void(const ShownDialog&)> hook) { hook_ = std::move(hook); }

  const std::vector<ShownDialog>& shown() const { return shown_; }
  void clearShown() { shown_.clear(); }

  int messageBox(const std::string& caption, const std::string& text, platform::DialogIcon icon,
                 platform::DialogButtons buttons) override;
  bool selectFolder(const std::string& title, std::string& folder) override;
  std::vector<std::string> openFiles(const std::string& title, const std::string& filter,
                                     const std::string& initialDir) override;

 private:
  DialogAnswer next(const ShownDialog& shown);

  std::deque<DialogAnswer> answers_;
  std::vector<ShownDialog> shown_;
  std::function<void(const ShownDialog&)> hook_;
};

}  // namespace testing_support
