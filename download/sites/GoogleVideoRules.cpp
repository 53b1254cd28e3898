// The rules of the Google Video site's pages: the video is kept as it is (no conversion), named after the
// page's title, from the direct link the page shows.
#include "common/Text.h"
#include "download/PageSearch.h"
#include "download/VideoFileName.h"
#include "download/sites/SitePass.h"

#include <chrono>
#include <random>

namespace download::sites {
namespace {

std::string randomVideoName() {
  std::mt19937 random(
      static_cast<std::mt19937::result_type>(std::chrono::system_clock::now().time_since_epoch().count()));
  return "GoogleVideo" + std::to_string(std::uniform_int_distribution<int>(0, 255)(random));
}

// The direct link: the value of an href on the player host that the page shows as "this link". Each
// such href is tried in turn, its value ending at its closing quote.
std::optional<std::string_view> directLink(const Pass& pass) {
  const std::string anchor = "href=\"http://" + pass.sites.googleVideoPlayerHost;
  constexpr std::string_view kCaption = "\">this link";
  const std::string_view page = pass.page;
  for (std::size_t at = common::findNoCase(page, anchor); at != kNotFound;
       at = common::findNoCase(page, anchor, at + 1)) {
    const std::size_t value = at + 6;
    const std::size_t close = page.find('"', value);
    if (close == kNotFound) return std::nullopt;
    if (common::findNoCase(page.substr(close, kCaption.size()), kCaption) == 0)
      return page.substr(value, close - value);
  }
  return std::nullopt;
}

}  // namespace

BlockEnd runGoogleVideo(Pass& pass) {
  pass.fields.mode = RequestMode::DownloadOnly;
  if (const auto title = between(pass.page, "<title>", "</title>", true)) {
    std::string name = makeFileName(*title, ".mp4");
    if (!name.empty()) {
      pass.fields.fileName = std::move(name);
      keepTitle(pass, *title);
    }
  }
  if (pass.fields.fileName.empty()) pass.fields.fileName = randomVideoName();
  const std::optional<std::string_view> link = directLink(pass);
  if (!link || !setStreamAddress(pass, std::string(*link))) return nothingYet(pass);
  return std::nullopt;
}

}  // namespace download::sites
