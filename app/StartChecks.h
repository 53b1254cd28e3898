// The checks of Start, for every front end: the source given, the output folder (created with the user's
// consent), the page address or the local file, then the job's input. Questions and notices go to
// common::frontEnd() (message boxes in the windows, the terminal on the command line). No widgets.
#pragma once

#include "download/JobInput.h"

#include <optional>
#include <string>

namespace app {

// What Start is given, as the user left it.
struct StartInput {
  enum class Source {
    PageAddress,  // a video page's address is to be downloaded and converted
    LocalFile,    // a local video file is to be converted
    Unchosen,     // neither was chosen: taken as a local file, without the check for an empty name
  };
  Source source = Source::PageAddress;
  std::string address;
  std::string localFile;
  std::string outputFolder;
  int formatIndex = 1;         // an index of common::audioFormats(); -1 when nothing is selected
  bool splitChapters = false;  // one file per chapter
  bool evenLoudness = false;   // one loudness for every file
};

// Checks `input` in order, answering each problem with its notice, and offers to create a missing output
// folder. The job's input, or nothing when a check stopped it. `outputDir` takes the folder once the address
// or file is known to be given.
std::optional<download::JobInput> checkStart(const StartInput& input, std::string& outputDir);

// The notice for an address that is not a video page: "Please enter the url like " followed by the
// example watch-page address of the configured site.
std::string enterUrlLikeText();

}  // namespace app
