#include "app/StartRequest.h"

#include "app/DownloadLauncher.h"
#include "common/Addresses.h"
#include "common/AudioFormats.h"
#include "common/FrontEnd.h"
#include "common/Text.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "resources/Strings.h"
#include "resources/Translations.h"

#include <QtGlobal>

#include <filesystem>
#include <system_error>
#include <unordered_set>
#include <vector>

namespace app {
namespace {

// The file filter of the local-file picker.
constexpr const char* kVideoFileFilter =
    QT_TRANSLATE_NOOP("StartRequest", "Flv files(*.flv)|*.flv| Any file(*.*)|*.*");

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t begin = 0;
  for (std::size_t end; (end = text.find(separator, begin)) != std::string::npos; begin = end + 1) {
    parts.push_back(text.substr(begin, end - begin));
  }
  parts.push_back(text.substr(begin));
  return parts;
}

}  // namespace

void startRequest(QWidget* owner, const StartInput& input, std::string& outputDir) {
  try {
    if (std::optional<download::JobInput> job = checkStart(input, outputDir)) showDownloadWindow(owner, *job);
  } catch (...) {
    // A failed request leaves nothing to report; the main window stays as it was.
  }
}

void showFiles(const std::string& outputFolder, std::string& outputDir) {
  outputDir = outputFolder;
  if (platform::directoryExists(outputDir)) {
    platform::openFolder(outputDir);
    return;
  }
  common::frontEnd().failure(outputDir,
                             resources::loadString(resources::StringId::OutputDirMissing, {outputDir}));
}

std::vector<std::string> selectLocalFiles() {
  return platform::currentDialogs().openFiles(
      std::string(), toPickerFilter(resources::translate("StartRequest", kVideoFileFilter)), std::string());
}

std::vector<std::string> addressesIn(const std::string& text) {
  std::vector<std::string> addresses;
  std::unordered_set<std::string> seen;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t begin = text.find_first_not_of(" \t\r\n\f\v", at);
    if (begin == std::string::npos) break;
    std::size_t end = text.find_first_of(" \t\r\n\f\v", begin);
    if (end == std::string::npos) end = text.size();
    std::string word = text.substr(begin, end - begin);
    at = end;
    if ((common::isWebAddress(word) || common::isVideoPageUrl(word)) && seen.insert(word).second)
      addresses.push_back(std::move(word));
  }
  return addresses;
}

download::JobInput queuedInput(const std::string& item, const QueueRequest& request) {
  const common::AudioFormat* format = common::audioFormatAt(request.formatIndex);
  if (format == nullptr) format = common::audioFormatAt(common::kDefaultAudioFormat);
  download::JobInput input;
  const bool file = platform::fileExists(item);
  input.source = file ? item : common::normalizeVideoUrl(item);
  input.mode = file ? download::RequestMode::ConvertLocalFile : download::RequestMode::DownloadConvert;
  input.outputFolder = request.outputFolder;
  input.targetExt = std::string(format->extension);
  input.convertArgs = std::string(format->converterArgs);
  input.originalAudio = format->keepsStream;
  input.splitChapters = request.splitChapters;
  input.evenLoudness = request.evenLoudness;
  return input;
}

bool ensureQueueFolder(const std::string& folder) {
  if (folder.empty()) {
    common::frontEnd().failure(folder,
                               resources::loadString(resources::StringId::OutputDirMissing, {folder}));
    return false;
  }
  if (platform::directoryExists(folder)) return true;
  if (!common::frontEnd().confirmCreateFolder(folder)) return false;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return platform::directoryExists(folder);
}

std::string toPickerFilter(const std::string& filter) {
  const std::vector<std::string> parts = split(filter, '|');
  std::string result;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string text = common::trim(parts[i], common::Trim::Spaces);
    // The patterns usually repeat in the text itself: "Flv files(*.flv)" shows as "Flv files".
    const std::size_t open = text.rfind('(');
    if (open != std::string::npos && !text.empty() && text.back() == ')')
      text = common::trim(text.substr(0, open), common::Trim::Spaces);
    std::string patterns;
    for (const std::string& pattern : split(parts[i + 1], ';')) {
      const std::string p = common::trim(pattern, common::Trim::Spaces) == "*.*"
                                ? "*"
                                : common::trim(pattern, common::Trim::Spaces);
      if (p.empty()) continue;
      patterns += (patterns.empty() ? "" : " ") + p;
    }
    if (!result.empty()) result += ";;";
    result += text + " (" + patterns + ")";
  }
  return result;
}

}  // namespace app
