#include "app/FolderPicker.h"

#include "platform/Dialogs.h"
#include "platform/Paths.h"

namespace app {

bool selectFolder(const std::string& title, const std::string& /*root*/, std::string& folder) {
  if (!platform::directoryExists(folder)) folder.clear();
  std::string chosen = folder;
  if (!platform::currentDialogs().selectFolder(title, chosen)) return false;
  folder = chosen;
  return true;
}

}  // namespace app
