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

// The queue's settings, in the same section; read and written apart from the window's three, so that
// neither overwrites the other's.
struct QueueSettings {
  int parallel = 1;              // QueueParallel: items run at once, 1 to 3
  bool replaceExisting = false;  // QueueReplace: an existing audio file is replaced (true) or kept
};

QueueSettings readQueueSettings();
bool writeQueueSettings(const QueueSettings& settings);

}  // namespace common
