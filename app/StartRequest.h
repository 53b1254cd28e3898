// What the main window's Start, Show Files and local-file Browse buttons do, over the values of the
// window's fields, so that the whole logic runs without widgets. Questions and notices go to
// common::frontEnd() (message boxes in the windows, the terminal on the command line), the file picker to
// platform::currentDialogs(); the request goes to the download window through showDownloadWindow.
#pragma once

#include "download/ConversionRequest.h"

#include <optional>
#include <string>

class QWidget;

namespace app {

// The main window's fields as the user left them.
struct MainWindowFields {
  bool downloadConvert = true;  // rbDownloadConvert is checked
  bool convertLocal = false;    // rbConvert is checked
  std::string url;              // eUrl
  std::string fileName;         // eFileName
  std::string outputFolder;     // eOutputFolder
  int formatIndex = 1;          // cbFormat's item index, -1 when nothing is selected
  std::string formatText;       // cbFormat's text
};

// Start: checks the fields in order, answering each problem with its notice, offers to create a
// missing output folder, and hands the request to the download window, shown modally with `owner`
// as its owner. `outputDir` takes the folder text once the address or file is known to be given.
// Nothing escapes: any error ends the request silently and leaves the window usable.
void startRequest(QWidget* owner, const MainWindowFields& fields, std::string& outputDir);

// The checks of Start without the download window: the request, or nothing when a check stopped it.
std::optional<download::ConversionRequest> checkRequest(const MainWindowFields& fields,
                                                        std::string& outputDir);

// Show Files: opens the output folder in the file browser, or shows an error box when it does not
// exist. Nothing is created. `outputDir` takes the folder text.
void showFiles(const std::string& outputFolder, std::string& outputDir);

// The local-file Browse button: the file picker for video files; the chosen file (the first one when
// several are chosen), or nothing when the user cancelled.
std::optional<std::string> selectLocalFile();

// The notice for an address that is not a video page: "Please enter the url like " followed by the
// example watch-page address of the configured site.
std::string enterUrlLikeText();

// A file filter in the "Text|patterns|Text|patterns" form, patterns separated by ";", turned into the
// picker's "Text (patterns);;Text (patterns)" form. "*.*" becomes "*", which matches every file.
std::string toPickerFilter(const std::string& filter);

}  // namespace app
