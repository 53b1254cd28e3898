// Message boxes and the folder and file pickers, behind one interface so that tests can answer them.
#pragma once

#include <string>
#include <vector>

namespace platform {

enum class DialogIcon { None, Information, Warning, Error, Question };
// AllOnlyThisCancel: "All" answers Yes, "Only this video" No, and Cancel Cancel.
enum class DialogButtons { Ok, OkCancel, YesNo, YesNoCancel, AllOnlyThisCancel };

// Modal results, numbered as the windows expect them.
enum ModalResult : int {
  None = 0,
  Ok = 1,
  Cancel = 2,
  Abort = 3,
  Retry = 4,
  Ignore = 5,
  Yes = 6,
  No = 7,
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // Shows a message box and returns the button pressed (ModalResult::Ok, ModalResult::Cancel,
  // ModalResult::Yes, ModalResult::No).
  virtual int messageBox(const std::string& caption, const std::string& text, DialogIcon icon,
                         DialogButtons buttons) = 0;

  // The folder picker, centred on the screen. On true, `folder` holds the chosen folder.
  virtual bool selectFolder(const std::string& title, std::string& folder) = 0;

  // The file-open picker. `filter` uses the "Description (*.a *.b);;Other (*)" form; the first
  // filter is preselected. Returns the chosen files; empty when the user cancelled.
  virtual std::vector<std::string> openFiles(const std::string& title, const std::string& filter,
                                             const std::string& initialDir) = 0;
};

// The dialogs in use: the ones set by setDialogs (tests install scripted ones), else the default
// ones (the program installs the real Qt dialogs at start), else dialogs that answer Cancel.
Dialogs& currentDialogs();
void setDialogs(Dialogs* dialogs);  // nullptr goes back to the default dialogs
void setDefaultDialogs(Dialogs* dialogs);

}  // namespace platform
