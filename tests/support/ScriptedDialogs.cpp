#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace testing_support {

ScriptedDialogs::ScriptedDialogs() {
  platform::setDialogs(this);
}

ScriptedDialogs::~ScriptedDialogs() {
  platform::setDialogs(nullptr);
  EXPECT_TRUE(answers_.empty()) << answers_.size() << " scripted dialog answer(s) were never used";
}

DialogAnswer ScriptedDialogs::next(const ShownDialog& shown) {
  shown_.push_back(shown);
  if (hook_) hook_(shown);
  if (answers_.empty()) {
    ADD_FAILURE() << "unexpected dialog: caption \"" << shown.caption << "\", text \"" << shown.text << "\"";
    return {platform::ModalResult::Cancel, {}};
  }
  DialogAnswer answer = answers_.front();
  answers_.pop_front();
  return answer;
}

int ScriptedDialogs::messageBox(const std::string& caption, const std::string& text,
                                platform::DialogIcon icon, platform::DialogButtons buttons) {
  return next({ShownDialog::MessageBox, caption, text, icon, buttons}).result;
}

bool ScriptedDialogs::selectFolder(const std::string& title, std::string& folder) {
  DialogAnswer answer = next({ShownDialog::SelectFolder, title, {}, {}, {}});
  if (answer.paths.empty()) return false;
  folder = answer.paths.front();
  return true;
}

std::vector<std::string> ScriptedDialogs::openFiles(const std::string& title, const std::string& filter,
                                                    const std::string&) {
  return next({ShownDialog::OpenFiles, title, filter, {}, {}}).paths;
}

}  // namespace testing_support
