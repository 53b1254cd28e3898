// One fuzz input for the extraction pass, shared by the fuzz target and its regression test.
//
// The first byte picks the page address (bits 0-1: a YouTube, Metacafe or Google Video page, or an
// address on both the YouTube and the Google domain), the sites (bit 2: a local simulator instead of the
// real host names) and whether the address gets a tail (bit 3: the input up to its first newline, at
// most 512 bytes, is appended to it). The rest of the input is the page text.
//
// Checked: the outcome agrees with the stream address, the address stays within its limit, every file
// name the pass writes can be created (UTF-8, no control or reserved characters, at most 255 bytes),
// the pass never opens a box (the age page is an outcome), a second pass over the same text changes nothing,
// and a pass over half of the page followed by one over all of it keeps the same rules.
#pragma once

#include "common/SiteConfig.h"
#include "common/Text.h"
#include "download/JobInput.h"
#include "download/VideoFileName.h"
#include "download/sites/PagePicture.h"
#include "download/sites/PageRules.h"
#include "platform/Dialogs.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fuzzing {

// Answers every message box with OK and counts them.
class CountingDialogs final : public platform::Dialogs {
 public:
  int shown = 0;
  int messageBox(const std::string&, const std::string&, platform::DialogIcon,
                 platform::DialogButtons) override {
    ++shown;
    return platform::ModalResult::Ok;
  }
  bool selectFolder(const std::string&, std::string&) override { return false; }
  std::vector<std::string> openFiles(const std::string&, const std::string&, const std::string&) override {
    return {};
  }
};

struct ExtractionState {
  std::string fileName = "get_video";
  std::string downloadUrl;
  download::RequestMode mode = download::RequestMode::DownloadConvert;

  // Random Google Video names ("GoogleVideo" and a number) count as one name.
  bool sameAs(const ExtractionState& other) const {
    return sameName(fileName, other.fileName) && downloadUrl == other.downloadUrl && mode == other.mode;
  }

 private:
  static bool sameName(const std::string& a, const std::string& b) {
    const std::string_view random = "GoogleVideo";
    if (a.rfind(random, 0) == 0 && b.rfind(random, 0) == 0) return true;
    return a == b;
  }
};

inline bool isValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<std::uint8_t>(text[i]);
    std::size_t length = lead < 0x80                    ? 1
                         : lead >= 0xC2 && lead <= 0xDF ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<std::uint8_t>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

inline std::string checkFileName(const std::string& name) {
  if (name == "get_video" || name.empty()) return {};
  if (name.size() > download::kMaxFileNameBytes) return "file name longer than 255 bytes";
  if (!isValidUtf8(name)) return "file name is not UTF-8";
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == '\x7f') return "control character in the file name";
    if (std::string_view("*/:<>?\\|").find(c) != std::string_view::npos)
      return "reserved character in the file name";
  }
  if (name[0] == '.') return "file name without a stem: " + name;
  return {};
}

inline std::string checkPass(std::string_view page, const std::string& address, ExtractionState& state,
                             download::ExtractOutcome& outcome) {
  CountingDialogs dialogs;
  platform::setDialogs(&dialogs);
  outcome = download::extractVideoAddress(page, address, {state.fileName, state.downloadUrl, state.mode});
  platform::setDialogs(nullptr);
  using download::ExtractOutcome;
  if (dialogs.shown != 0) return "the pass opened a box";
  if (outcome == ExtractOutcome::Found && state.downloadUrl.empty()) return "found without an address";
  if (outcome == ExtractOutcome::NothingYet && !state.downloadUrl.empty())
    return "address found but not reported";
  if (state.downloadUrl.size() > download::kMaxStreamAddressBytes) return "stream address over its limit";
  if (state.mode != download::RequestMode::DownloadConvert &&
      state.mode != download::RequestMode::DownloadOnly)
    return "bad mode";
  return checkFileName(state.fileName);
}

inline common::SiteConfig localSites() {
  return common::parseSiteConfig(
             "[Sites]\nYouTubeDomain=127.0.0.1:8080\nMetacafeDomain=127.0.0.1:8081\nGoogleDomain=127.0.0.1:"
             "8082\n"
             "MetacafeFileHost=127.0.0.1:8091\nGoogleVideoPlayerHost=127.0.0.1:8092\n")
      .config;
}

// The page's picture is an http(s) address within its limit, with no blank or control character.
inline std::string checkPagePicture(std::string_view page) {
  const std::string picture = download::pagePicture(page);
  if (picture.empty()) return {};
  if (picture.size() > download::kMaxPictureUrl) return "picture address over its limit";
  if (!common::startsWithNoCase(picture, "http://") && !common::startsWithNoCase(picture, "https://"))
    return "picture address that is not http(s): " + picture;
  for (const char c : picture) {
    if (static_cast<unsigned char>(c) <= 0x20 || c == '\x7f')
      return "blank or control character in the picture";
  }
  return {};
}

inline std::string checkExtractionPasses(std::string_view page, const std::string& address) {
  if (std::string error = checkPagePicture(page); !error.empty()) return error;
  ExtractionState once;
  download::ExtractOutcome first{}, again{};
  std::string error = checkPass(page, address, once, first);
  if (!error.empty()) return error;
  ExtractionState twice = once;
  error = checkPass(page, address, twice, again);
  if (!error.empty()) return error;
  if (again != first || !twice.sameAs(once)) return "a second pass over the same page changed the result";
  ExtractionState growing;
  error = checkPass(page.substr(0, page.size() / 2), address, growing, first);
  if (error.empty()) error = checkPass(page, address, growing, again);
  return error;
}

inline std::string checkExtractionInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return {};
  const std::uint8_t selector = data[0];
  std::string_view page(reinterpret_cast<const char*>(data) + 1, size - 1);
  const common::SiteConfig sites = (selector & 4) != 0 ? localSites() : common::SiteConfig();
  common::SiteConfig::setCurrent(sites);
  const std::string addresses[] = {
      "http://" + sites.youTubeHost + "/watch?v=abc&feature=related",
      "http://" + sites.metacafeHost + "/watch/123/clip/",
      "http://video." + sites.googleDomain + "/videoplay?docid=1",
      "http://" + sites.googleDomain + "/url?q=http://" + sites.youTubeHost + "/watch?v=abc",
  };
  std::string address = addresses[selector & 3];
  if ((selector & 8) != 0) {
    const std::size_t end = std::min<std::size_t>(page.find('\n'), 512);
    address.append(page.substr(0, end));
    page.remove_prefix(std::min(page.size(), end + 1));
  }
  const std::string error = checkExtractionPasses(page, address);
  common::SiteConfig::reset();
  return error;
}

}  // namespace fuzzing
