// What the main window's Start, Show Files and local-file Browse buttons do, over the values of the window's
// fields, so that the logic runs without widgets. Start's checks are StartChecks.h; the job goes to the
// download window through showDownloadWindow; the file picker is platform::currentDialogs().
#pragma once

#include "app/StartChecks.h"

#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace app {

// Start: the checks, then the download window, shown modally with `owner` as its owner. `outputDir` takes the
// folder text once the address or file is known to be given. Nothing escapes: any error ends the request
// silently and leaves the window usable.
void startRequest(QWidget* owner, const StartInput& input, std::string& outputDir);

// Show Files: opens the output folder in the file browser, or shows an error box when it does not exist.
// Nothing is created. `outputDir` takes the folder text.
void showFiles(const std::string& outputFolder, std::string& outputDir);

// The local-file Browse button: the file picker for video files, which takes several; the chosen files, in
// the picker's order, or none when the user cancelled.
std::vector<std::string> selectLocalFiles();

// The web addresses of pasted or dropped text, in order, each once: the words separated by line breaks or
// blanks that are web or video page addresses. Other words are left out.
std::vector<std::string> addressesIn(const std::string& text);

// What a queued item is to do, with the main window's folder, format and options: its mode from what it is
// (an existing file is converted, anything else is a page address). No checks that would ask: the item's
// job tells its own failure in its row.
struct QueueRequest {
  std::string outputFolder;
  int formatIndex = 1;
  bool splitChapters = false;
  bool evenLoudness = false;
};
download::JobInput queuedInput(const std::string& item, const QueueRequest& request);

// The output folder for queued items: made, with the user's consent, when missing. False when it is not
// there afterwards.
bool ensureQueueFolder(const std::string& folder);

// A file filter in the "Text|patterns|Text|patterns" form, patterns separated by ";", turned into the
// picker's "Text (patterns);;Text (patterns)" form. "*.*" becomes "*", which matches every file.
std::string toPickerFilter(const std::string& filter);

}  // namespace app
