#include "app/FolderPicker.h"

#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using testing_support::ScriptedDialogs;
using testing_support::TempDir;

TEST(SelectFolder, ClearsAMissingFolderAndKeepsItOnCancel) {
  TempDir dir;
  ScriptedDialogs dialogs;
  std::string folder = dir.file("gone");
  dialogs.answerPaths({});
  EXPECT_FALSE(app::selectFolder("Pick", "", folder));
  EXPECT_EQ(folder, "");

  folder = dir.path();
  dialogs.answerPaths({});
  EXPECT_FALSE(app::selectFolder("Pick", "", folder));
  EXPECT_EQ(folder, dir.path());

  dialogs.answerPaths({"/tmp"});
  EXPECT_TRUE(app::selectFolder("Pick", "", folder));
  EXPECT_EQ(folder, "/tmp");
  ASSERT_EQ(dialogs.shown().size(), 3u);
  EXPECT_EQ(dialogs.shown()[0].caption, "Pick");
}
