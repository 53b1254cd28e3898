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

}  // namespace

Settings readSettings() {
  const platform::IniFile ini(platform::settingsFilePath());
  return {.outputFolder = ini.readString(kSection, kOutputFolder, platform::defaultOutputDir()),
          .mode = ini.readInteger(kSection, kMode, 0),
          .formatIndex = ini.readInteger(kSection, kFormat, kDefaultAudioFormat)};
}

bool writeSettings(const Settings& settings) {
  platform::IniFile ini(platform::settingsFilePath());
  ini.writeString(kSection, kOutputFolder, settings.outputFolder);
  ini.writeInteger(kSection, kMode, settings.mode);
  ini.writeInteger(kSection, kFormat, settings.formatIndex);
  return ini.updateFile();
}

}  // namespace common
