// The program's settings, kept in the settings file (platform::settingsFilePath()) in its "Options" section:
// the one place that knows the keys, for the window and the command line alike.
#pragma once

#include <string>

namespace common {

struct Settings {
  std::string outputFolder;    // OutputDirectory: the folder the window last used
  int mode = 0;                // RadioButton: 0 a page address, 1 a local file
  int formatIndex = 1;         // ConvertFormat: the format list's index, -1 when nothing was selected
  bool splitChapters = false;  // SplitChapters (0 or 1): a video with chapters becomes one file per chapter
  bool evenLoudness = false;   // EvenLoudness (0 or 1): the audio is brought to one loudness
};

// The settings as the file holds them; what is missing takes its default (the output folder: the user's
// music folder).
Settings readSettings();

// Writes the settings into the file, keeping whatever else it holds; false when it could not be written.
bool writeSettings(const Settings& settings);

}  // namespace common
