#include "app/StartRequest.h"

#include "app/DownloadLauncher.h"
#include "app/FormatTable.h"
#include "common/Addresses.h"
#include "common/FrontEnd.h"
#include "common/SiteConfig.h"
#include "common/Text.h"
#include "download/StreamResolver.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "resources/Strings.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace app {
namespace {

// The file filter of the local-file picker.
constexpr const char* kVideoFileFilter = "Flv files(*.flv)|*.flv| Any file(*.*)|*.*";

// A notice about the request's `item` (its address or file; empty before one is given).
void notice(const std::string& text, const std::string& item = std::string()) {
  common::frontEnd().notice(item, text);
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t begin = 0;
  for (std::size_t end; (end = text.find(separator, begin)) != std::string::npos; begin = end + 1) {
    parts.push_back(text.substr(begin, end - begin));
  }
  parts.push_back(text.substr(begin));
  return parts;
}

// Offers to create a missing output folder with all its missing parents. True when the folder exists
// afterwards; false when the user said No or it could not be created (no message for that).
bool ensureOutputFolder(const std::string& folder) {
  if (platform::directoryExists(folder)) return true;
  if (!common::frontEnd().confirmCreateFolder(folder)) return false;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return platform::directoryExists(folder);
}

// The line that names the video: the normalised page address, or the local file; nothing when the
// address is not a video page or the file does not exist (after saying so).
std::optional<std::string> sourceLine(const MainWindowFields& fields) {
  if (fields.downloadConvert) {
    // Other sites' pages are taken while the stream resolver is there to read them.
    if (!common::isVideoPageUrl(fields.url) &&
        !(common::isWebAddress(fields.url) && download::isResolverEnabled())) {
      notice(enterUrlLikeText(), fields.url);
      return std::nullopt;
    }
    return common::normalizeVideoUrl(fields.url);
  }
  if (!platform::fileExists(fields.fileName)) {
    notice(resources::loadString(resources::StringId::CheckVideoFile), fields.fileName);
    return std::nullopt;
  }
  return fields.fileName;
}

}  // namespace

std::optional<download::ConversionRequest> checkRequest(const MainWindowFields& fields,
                                                        std::string& outputDir) {
  if (fields.downloadConvert && fields.url.empty()) {
    notice(resources::loadString(resources::StringId::EnterVideoUrl));
    return std::nullopt;
  }
  if (fields.convertLocal && fields.fileName.empty()) {
    notice(resources::loadString(resources::StringId::SelectLocalFile));
    return std::nullopt;
  }
  outputDir = fields.outputFolder;
  if (!ensureOutputFolder(outputDir)) return std::nullopt;
  std::optional<std::string> source = sourceLine(fields);
  if (!source) return std::nullopt;
  download::ConversionRequest request;
  request.sources.push_back(*source);
  request.mode = fields.downloadConvert ? download::RequestMode::DownloadConvert
                                        : download::RequestMode::ConvertLocalFile;
  request.targetExt = formatExtension(fields.formatText);
  request.convertArgs = formatArgs(fields.formatIndex);
  return request;
}

void startRequest(QWidget* owner, const MainWindowFields& fields, std::string& outputDir) {
  try {
    if (std::optional<download::ConversionRequest> request = checkRequest(fields, outputDir)) {
      showDownloadWindow(owner, *request);
    }
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
                             outputDir + "," + resources::loadString(resources::StringId::OutputDirMissing));
}

std::optional<std::string> selectLocalFile() {
  const std::vector<std::string> chosen =
      platform::currentDialogs().openFiles(std::string(), toPickerFilter(kVideoFileFilter), std::string());
  if (chosen.empty()) return std::nullopt;
  return chosen.front();
}

std::string enterUrlLikeText() {
  // The string table holds the text with the real site's example; a configured site brings its own.
  std::string text = resources::loadString(resources::StringId::EnterUrlLike);
  const std::string realExample = common::SiteConfig().exampleWatchUrl;
  if (text.size() >= realExample.size() &&
      text.compare(text.size() - realExample.size(), realExample.size(), realExample) == 0) {
    text.replace(text.size() - realExample.size(), realExample.size(),
                 common::SiteConfig::current().exampleWatchUrl);
  }
  return text;
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
