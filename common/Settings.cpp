#include "common/Settings.h"

#include "common/AudioFormats.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"

#include <algorithm>

namespace common {
namespace {

const char* const kSection = "Options";
const char* const kOutputFolder = "OutputDirectory";
const char* const kMode = "RadioButton";
const char* const kFormat = "ConvertFormat";
const char* const kSplitChapters = "SplitChapters";
const char* const kEvenLoudness = "EvenLoudness";
const char* const kQueueParallel = "QueueParallel";
const char* const kQueueReplace = "QueueReplace";
constexpr int kMaxQueueParallel = 3;

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

QueueSettings readQueueSettings() {
  const platform::IniFile ini(platform::settingsFilePath());
  return {.parallel = std::clamp(ini.readInteger(kSection, kQueueParallel, 1), 1, kMaxQueueParallel),
          .replaceExisting = ini.readInteger(kSection, kQueueReplace, 0) != 0};
}

bool writeQueueSettings(const QueueSettings& settings) {
  platform::IniFile ini(platform::settingsFilePath());
  ini.writeInteger(kSection, kQueueParallel, std::clamp(settings.parallel, 1, kMaxQueueParallel));
  ini.writeInteger(kSection, kQueueReplace, settings.replaceExisting ? 1 : 0);
  return ini.updateFile();
}

}  // namespace common
