#include "common/Settings.h"

#include "common/AudioFormats.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"

namespace common {
namespace {

const char* const kSection = "Options";
const char* const kOutputFolder = "OutputDirectory";
const char* const kMode = "RadioButton";
const char* const kFormat = "ConvertFormat";
const char* const kSplitChapters = "SplitChapters";
const char* const kEvenLoudness = "EvenLoudness";

}  // namespace

Settings readSettings() {
  const platform::IniFile ini(platform::settingsFilePath());
  return {.outputFolder = ini.readString(kSection, kOutputFolder, platform::defaultOutputDir()),
          .mode = ini.readInteger(kSection, kMode, 0),
          .formatIndex = ini.readInteger(kSection, kFormat, kDefaultAudioFormat),
          .splitChapters = ini.readInteger(kSection, kSplitChapters, 0) == 1,
          .evenLoudness = ini.readInteger(kSection, kEvenLoudness, 0) == 1};
}

bool writeSettings(const Settings& settings) {
  platform::IniFile ini(platform::settingsFilePath());
  ini.writeString(kSection, kOutputFolder, settings.outputFolder);
  ini.writeInteger(kSection, kMode, settings.mode);
  ini.writeInteger(kSection, kFormat, settings.formatIndex);
  ini.writeInteger(kSection, kSplitChapters, settings.splitChapters ? 1 : 0);
  ini.writeInteger(kSection, kEvenLoudness, settings.evenLoudness ? 1 : 0);
  return ini.updateFile();
}

}  // namespace common
