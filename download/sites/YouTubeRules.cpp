// The rules of the YouTube site's watch pages: the age-verification and not-available pages, the title,
// and the stream address made of the page's token and the video's identifier.
#include "common/Text.h"
#include "download/PageSearch.h"
#include "download/VideoFileName.h"
#include "download/sites/SitePass.h"

namespace download::sites {
namespace {

bool isAgeVerificationPage(std::string_view page) {
  return common::containsNoCase(page, "confirm birth date") ||
         common::containsNoCase(page, "please verify you are 18 or older") ||
         (common::containsNoCase(page, "verify_age") && containsText(page, "18"));
}

// The title of the page's meta element, up to its closing quote. A page cut off inside the value
// gives none yet: the rest of the value is still to come.
std::optional<std::string_view> metaTitle(std::string_view page) {
  return between(page, "meta name=\"title\" content=\"", "\"", false);
}

// The first title choice that this pass finds: the title element with the site's prefix, the meta
// title, then any title element. A later pass over more of the page may find a better choice.
void findTitle(Pass& pass) {
  const std::optional<std::string_view> choices[] = {
      between(pass.page, "<title>YouTube - ", "</title>", false),
      metaTitle(pass.page),
      between(pass.page, "<title>", "</title>", false),
  };
  for (const auto& title : choices) {
    if (!title) continue;
    std::string name = titleToFileName(*title);
    if (name.empty()) continue;
    pass.fields.fileName = std::move(name);
    keepTitle(pass, *title);
    return;
  }
}

// The stream token: the string after "t": in the page's data, else the value of "&t=" up to the
// next "&".
std::optional<std::string_view> streamToken(std::string_view page) {
  const std::size_t quoted = findText(page, "\"t\":");
  if (quoted != kNotFound) {
    const std::string_view rest = restAfter(page, quoted, 4);
    const std::size_t open = rest.find('"');
    if (open == kNotFound) return std::nullopt;
    const std::string_view value = rest.substr(open + 1);
    const std::size_t close = value.find('"');
    if (close == kNotFound) return std::nullopt;
    return value.substr(0, close);
  }
  const std::size_t param = findText(page, "&t=");
  if (param == kNotFound) return std::nullopt;
  const std::string_view rest = restAfter(page, param, 3);
  const std::size_t end = rest.find('&');
  if (end == kNotFound) return std::nullopt;
  return rest.substr(0, end);
}

// Everything after the first "=" of the page address, cut before "&feature=" (any letter case).
std::optional<std::string> videoIdentifier(const std::string& address) {
  const std::size_t eq = address.find('=');
  if (eq == std::string::npos) return std::nullopt;
  std::string id = address.substr(eq + 1);
  const std::size_t feature = common::findNoCase(id, "&feature=");
  if (feature != kNotFound) id.resize(feature);
  return id;
}

}  // namespace

BlockEnd runYouTube(Pass& pass) {
  if (isAgeVerificationPage(pass.page)) return ExtractOutcome::AgeRestricted;
  if (common::containsNoCase(pass.page, "This functionality is not available right now")) {
    return ExtractOutcome::EndAttempt;
  }
  findTitle(pass);
  if (!pass.fields.downloadUrl.empty()) return std::nullopt;
  const std::optional<std::string_view> token = streamToken(pass.page);
  if (!token) return nothingYet(pass);
  const std::optional<std::string> id = videoIdentifier(pass.address);
  if (!id) return nothingYet(pass);
  std::string stream = "http://" + pass.sites.youTubeHost + "/get_video?asv=&video_id=" + *id + "&t=";
  stream.append(*token);
  if (!setStreamAddress(pass, std::move(stream))) return nothingYet(pass);
  return std::nullopt;
}

}  // namespace download::sites
