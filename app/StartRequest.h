// What the main window's Start, Show Files and local-file Browse buttons do, over the values of the window's
// fields, so that the logic runs without widgets. Start's checks are StartChecks.h; the job goes to the
// download window through showDownloadWindow; the file picker is platform::currentDialogs().
#pragma once

#include "app/StartChecks.h"

#include <optional>
#include <string>

class QWidget;

namespace app {

// Start: the checks, then the download window, shown modally with `owner` as its owner. `outputDir` takes the
// folder text once the address or file is known to be given. Nothing escapes: any error ends the request
// silently and leaves the window usable.
void startRequest(QWidget* owner, const StartInput& input, std::string& outputDir);

// Show Files: opens the output folder in the file browser, or shows an error box when it does not exist.
// Nothing is created. `outputDir` takes the folder text.
void showFiles(const std::string& outputFolder, std::string& outputDir);

// The local-file Browse button: the file picker for video files; the chosen file (the first one when several
// are chosen), or nothing when the user cancelled.
std::optional<std::string> selectLocalFile();

// A file filter in the "Text|patterns|Text|patterns" form, patterns separated by ";", turned into the
// picker's "Text (patterns);;Text (patterns)" form. "*.*" becomes "*", which matches every file.
std::string toPickerFilter(const std::string& filter);

}  // namespace app
