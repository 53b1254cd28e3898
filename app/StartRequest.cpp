#include "app/StartRequest.h"

#include "app/DownloadLauncher.h"
#include "app/FormatTable.h"
#include "common/Global.h"
#include "common/SiteConfig.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "resources/Strings.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace app {
namespace {

using platform::DialogButtons;
using platform::DialogIcon;

// The file filter of the local-file picker.
constexpr const char* kVideoFileFilter = "Flv files(*.flv)|*.flv| Any file(*.*)|*.*";

int Box(const std::string& text, DialogIcon icon, DialogButtons buttons) {
  return platform::CurrentDialogs().MessageBox(resources::loadString(resources::StringId::Title), text, icon,
                                               buttons);
}

void Notice(const std::string& text) {
  Box(text, DialogIcon::Information, DialogButtons::Ok);
}

std::string Trim(const std::string& text) {
  const std::size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

std::vector<std::string> Split(const std::string& text, char separator) {
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
bool EnsureOutputFolder(const std::string& folder) {
  if (platform::DirectoryExists(folder)) return true;
  const std::string question = folder + "," + resources::loadString(resources::StringId::OutputDirMissing) +
                               "\r\n" + resources::loadString(resources::StringId::CreateDirectory);
  if (Box(question, DialogIcon::Information, DialogButtons::YesNo) != platform::ModalResult::Yes)
    return false;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return platform::DirectoryExists(folder);
}

// The line that names the video: the normalised page address, or the local file; nothing when the
// address is not a video page or the file does not exist (after saying so).
std::optional<std::string> SourceLine(const MainWindowFields& fields) {
  if (fields.downloadConvert) {
    if (!common::IsVideoPageUrl(fields.url)) {
      Notice(EnterUrlLikeText());
      return std::nullopt;
    }
    return common::NormalizeVideoUrl(fields.url);
  }
  if (!platform::FileExists(fields.fileName)) {
    Notice(resources::loadString(resources::StringId::CheckVideoFile));
    return std::nullopt;
  }
  return fields.fileName;
}

}  // namespace

std::optional<download::ConversionRequest> CheckRequest(const MainWindowFields& fields,
                                                        std::string& outputDir) {
  if (fields.downloadConvert && fields.url.empty()) {
    Notice(resources::loadString(resources::StringId::EnterVideoUrl));
    return std::nullopt;
  }
  if (fields.convertLocal && fields.fileName.empty()) {
    Notice(resources::loadString(resources::StringId::SelectLocalFile));
    return std::nullopt;
  }
  outputDir = fields.outputFolder;
  if (!EnsureOutputFolder(outputDir)) return std::nullopt;
  std::optional<std::string> source = SourceLine(fields);
  if (!source) return std::nullopt;
  download::ConversionRequest request;
  request.Sources.push_back(*source);
  request.Mode = fields.downloadConvert ? download::RequestMode::DownloadConvert
                                        : download::RequestMode::ConvertLocalFile;
  request.TargetExt = formatExtension(fields.formatText);
  request.ConvertArgs = FormatArgs(fields.formatIndex);
  return request;
}

void startRequest(QWidget* owner, const MainWindowFields& fields, std::string& outputDir) {
  try {
    if (std::optional<download::ConversionRequest> request = CheckRequest(fields, outputDir)) {
      ShowDownloadWindow(owner, *request);
    }
  } catch (...) {
    // A failed request leaves nothing to report; the main window stays as it was.
  }
}

void showFiles(const std::string& outputFolder, std::string& outputDir) {
  outputDir = outputFolder;
  if (platform::DirectoryExists(outputDir)) {
    platform::OpenFolder(outputDir);
    return;
  }
  Box(outputDir + "," + resources::loadString(resources::StringId::OutputDirMissing), DialogIcon::Error,
      DialogButtons::Ok);
}

std::optional<std::string> selectLocalFile() {
  const std::vector<std::string> chosen =
      platform::CurrentDialogs().OpenFiles(std::string(), ToPickerFilter(kVideoFileFilter), std::string());
  if (chosen.empty()) return std::nullopt;
  return chosen.front();
}

std::string EnterUrlLikeText() {
  // The string table holds the text with the real site's example; a configured site brings its own.
  std::string text = resources::loadString(resources::StringId::EnterUrlLike);
  const std::string realExample = common::SiteConfig().ExampleWatchUrl;
  if (text.size() >= realExample.size() &&
      text.compare(text.size() - realExample.size(), realExample.size(), realExample) == 0) {
    text.replace(text.size() - realExample.size(), realExample.size(),
                 common::SiteConfig::Current().ExampleWatchUrl);
  }
  return text;
}

std::string ToPickerFilter(const std::string& filter) {
  const std::vector<std::string> parts = Split(filter, '|');
  std::string result;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string text = Trim(parts[i]);
    // The patterns usually repeat in the text itself: "Flv files(*.flv)" shows as "Flv files".
    const std::size_t open = text.rfind('(');
    if (open != std::string::npos && !text.empty() && text.back() == ')') text = Trim(text.substr(0, open));
    std::string patterns;
    for (const std::string& pattern : Split(parts[i + 1], ';')) {
      const std::string p = Trim(pattern) == "*.*" ? "*" : Trim(pattern);
      if (p.empty()) continue;
      patterns += (patterns.empty() ? "" : " ") + p;
    }
    if (!result.empty()) result += ";;";
    result += text + " (" + patterns + ")";
  }
  return result;
}

}  // namespace app
