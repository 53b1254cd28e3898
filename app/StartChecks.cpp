#include "app/StartChecks.h"

#include "common/Addresses.h"
#include "common/AudioFormats.h"
#include "common/FrontEnd.h"
#include "common/SiteConfig.h"
#include "download/sites/ResolverLocator.h"
#include "platform/Paths.h"
#include "resources/Strings.h"
#include "resources/Translations.h"

#include <filesystem>
#include <system_error>

namespace app {
namespace {

// A notice about the request's `item` (its address or file; empty before one is given).
void notice(const std::string& text, const std::string& item = std::string()) {
  common::frontEnd().notice(item, text);
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

// The page address, normalised, or the local file; nothing when the address is not a video page or the file
// does not exist (after saying so).
std::optional<std::string> sourceOf(const StartInput& input) {
  if (input.source == StartInput::Source::PageAddress) {
    // Other sites' pages are taken while the stream resolver is there to read them.
    if (!common::isVideoPageUrl(input.address) &&
        !(common::isWebAddress(input.address) && download::isResolverEnabled())) {
      notice(enterUrlLikeText(), input.address);
      return std::nullopt;
    }
    return common::normalizeVideoUrl(input.address);
  }
  if (!platform::fileExists(input.localFile)) {
    notice(resources::loadString(resources::StringId::CheckVideoFile), input.localFile);
    return std::nullopt;
  }
  return input.localFile;
}

// True when converting the local file `source` would write the audio file over it (the same file, by
// any name or link), whatever the overwrite answer would be.
bool convertsOntoItself(const download::JobInput& job) {
  std::filesystem::path audio = std::filesystem::path(job.source).filename();
  audio.replace_extension(job.targetExt);
  std::error_code error;
  return std::filesystem::equivalent(job.source, std::filesystem::path(job.outputFolder) / audio, error);
}

}  // namespace

std::optional<download::JobInput> checkStart(const StartInput& input, std::string& outputDir) {
  if (input.source == StartInput::Source::PageAddress && input.address.empty()) {
    notice(resources::loadString(resources::StringId::EnterVideoUrl));
    return std::nullopt;
  }
  if (input.source == StartInput::Source::LocalFile && input.localFile.empty()) {
    notice(resources::loadString(resources::StringId::SelectLocalFile));
    return std::nullopt;
  }
  outputDir = input.outputFolder;
  if (!ensureOutputFolder(outputDir)) return std::nullopt;
  std::optional<std::string> source = sourceOf(input);
  if (!source) return std::nullopt;
  // Nothing selected in the format list gives no extension and no converter arguments.
  const common::AudioFormat* format = common::audioFormatAt(input.formatIndex);
  download::JobInput job;
  job.source = std::move(*source);
  job.mode = input.source == StartInput::Source::PageAddress ? download::RequestMode::DownloadConvert
                                                             : download::RequestMode::ConvertLocalFile;
  job.outputFolder = input.outputFolder;
  job.targetExt = format != nullptr ? std::string(format->extension) : std::string();
  job.convertArgs = format != nullptr ? std::string(format->converterArgs) : std::string();
  job.originalAudio = format != nullptr && format->keepsStream;
  job.splitChapters = input.splitChapters;
  job.evenLoudness = input.evenLoudness;
  if (job.mode == download::RequestMode::ConvertLocalFile && convertsOntoItself(job)) {
    notice(resources::translate("StartChecks",
                                "The audio file would replace the video file itself: choose "
                                "another output folder or format."),
           job.source);
    return std::nullopt;
  }
  return job;
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

}  // namespace app
