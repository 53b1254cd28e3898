#include "download/ExtractVideoAddress.h"

#include "common/FrontEnd.h"
#include "common/SiteConfig.h"
#include "common/Text.h"
#include "download/ConversionRequest.h"
#include "download/PageSearch.h"
#include "download/VideoFileName.h"

#include <chrono>
#include <optional>
#include <random>

namespace download {
namespace {

// One pass: its inputs and the fields it writes.
struct Pass {
  std::string_view page;
  const std::string& address;
  ExtractionFields& fields;
  const common::SiteConfig& sites;
};

// What a site block ends with: an outcome for the whole pass, or nothing to go on with the next block.
using BlockEnd = std::optional<ExtractOutcome>;

// Where a step finds nothing yet the pass ends; an address found by an earlier block still counts.
ExtractOutcome nothingYet(const Pass& pass) {
  return pass.fields.downloadUrl.empty() ? ExtractOutcome::NothingYet : ExtractOutcome::Found;
}

bool addressIsOnSite(const std::string& address, const std::string& domain) {
  return !domain.empty() && common::containsNoCase(address, domain);
}

// The text between the first `open` and the first `close` after it; nullopt when either is missing.
std::optional<std::string_view> between(std::string_view page, std::string_view open, std::string_view close,
                                        bool ignoreCase) {
  const std::size_t start = ignoreCase ? common::findNoCase(page, open) : findText(page, open);
  if (start == kNotFound) return std::nullopt;
  const std::string_view rest = restAfter(page, start, open.size());
  const std::size_t end = ignoreCase ? common::findNoCase(rest, close) : findText(rest, close);
  if (end == kNotFound) return std::nullopt;
  return rest.substr(0, end);
}

// ---- YouTube ----

bool isAgeVerificationPage(std::string_view page) {
  return common::containsNoCase(page, "confirm birth date") ||
         common::containsNoCase(page, "please verify you are 18 or older") ||
         (common::containsNoCase(page, "verify_age") && containsText(page, "18"));
}

void showAgeVerificationNotice(const std::string& address) {
  common::frontEnd().notice(address, ageVerificationNotice());
}

// The title of the page's meta element, up to its closing quote. A page cut off inside the value
// gives none yet: the rest of the value is still to come.
std::optional<std::string_view> metaTitle(std::string_view page) {
  return between(page, "meta name=\"title\" content=\"", "\"", false);
}

void keepTitle(Pass& pass, std::string_view title) {
  if (pass.fields.title != nullptr) *pass.fields.title = titleText(title);
}

// The first title choice that this pass finds: the title element with the site's prefix, the meta
// title, then any title element. A later pass over more of the page may find a better choice.
void findYouTubeTitle(Pass& pass) {
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
std::optional<std::string_view> youTubeToken(std::string_view page) {
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

bool setStreamAddress(Pass& pass, std::string address) {
  if (address.size() > kMaxStreamAddressBytes) return false;
  pass.fields.downloadUrl = std::move(address);
  return true;
}

BlockEnd runYouTube(Pass& pass) {
  if (isAgeVerificationPage(pass.page)) {
    showAgeVerificationNotice(pass.address);
    return ExtractOutcome::Stopped;
  }
  if (common::containsNoCase(pass.page, "This functionality is not available right now")) {
    return ExtractOutcome::EndAttempt;
  }
  findYouTubeTitle(pass);
  if (!pass.fields.downloadUrl.empty()) return std::nullopt;
  const std::optional<std::string_view> token = youTubeToken(pass.page);
  if (!token) return nothingYet(pass);
  const std::optional<std::string> id = videoIdentifier(pass.address);
  if (!id) return nothingYet(pass);
  std::string stream = "http://" + pass.sites.youTubeHost + "/get_video?asv=&video_id=" + *id + "&t=";
  stream.append(*token);
  if (!setStreamAddress(pass, std::move(stream))) return nothingYet(pass);
  return std::nullopt;
}

// ---- Metacafe ----

BlockEnd runMetacafe(Pass& pass) {
  std::string& fileName = pass.fields.fileName;
  fileName.clear();
  if (const auto title = between(pass.page, "<title>", "- Video", true)) {
    fileName = makeFileName(*title, ".flv");
    if (!fileName.empty()) keepTitle(pass, *title);
  }

  // The item file's name: from the last "%2520" before the first ".flv" up to the end of that ".flv".
  // The two markers share no character, so every "%2520" that starts before the ".flv" ends before it.
  const std::size_t flv = common::findNoCase(pass.page, ".flv");
  if (flv == kNotFound) return nothingYet(pass);
  const std::size_t separator = pass.page.substr(0, flv).rfind("%2520");
  if (separator == kNotFound) return nothingYet(pass);
  const std::size_t start = separator + 5;
  const std::string_view piece = pass.page.substr(start, flv + 4 - start);

  if (fileName.empty())
    fileName = makeFileName(piece.substr(0, piece.size() - 4), piece.substr(piece.size() - 4));
  std::string stream =
      "http://" + pass.sites.metacafeFileHost + "/ItemFiles/%5BFrom%20" + pass.sites.metacafeHost + "%5D%20";
  stream.append(piece);
  if (!setStreamAddress(pass, std::move(stream))) return nothingYet(pass);
  return std::nullopt;
}

// ---- Google Video ----

std::string randomGoogleVideoName() {
  std::mt19937 random(
      static_cast<std::mt19937::result_type>(std::chrono::system_clock::now().time_since_epoch().count()));
  return "GoogleVideo" + std::to_string(std::uniform_int_distribution<int>(0, 255)(random));
}

// The direct link: the value of an href on the player host that the page shows as "this link". Each
// such href is tried in turn, its value ending at its closing quote.
std::optional<std::string_view> googleVideoLink(const Pass& pass) {
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

BlockEnd runGoogleVideo(Pass& pass) {
  pass.fields.mode = RequestMode::DownloadOnly;
  if (const auto title = between(pass.page, "<title>", "</title>", true)) {
    std::string name = makeFileName(*title, ".mp4");
    if (!name.empty()) {
      pass.fields.fileName = std::move(name);
      keepTitle(pass, *title);
    }
  }
  if (pass.fields.fileName.empty()) pass.fields.fileName = randomGoogleVideoName();
  const std::optional<std::string_view> link = googleVideoLink(pass);
  if (!link || !setStreamAddress(pass, std::string(*link))) return nothingYet(pass);
  return std::nullopt;
}

}  // namespace

ExtractOutcome extractVideoAddress(std::string_view page, const std::string& address,
                                   ExtractionFields fields) {
  const common::SiteConfig sites = common::SiteConfig::current();
  Pass pass{page, address, fields, sites};
  const struct {
    const std::string& domain;
    BlockEnd (*run)(Pass&);
  } blocks[] = {
      {sites.youTubeDomain, runYouTube},
      {sites.metacafeDomain, runMetacafe},
      {sites.googleDomain, runGoogleVideo},
  };
  for (const auto& block : blocks) {
    if (!addressIsOnSite(address, block.domain)) continue;
    if (const BlockEnd end = block.run(pass)) return *end;
  }
  return nothingYet(pass);
}

// The notice as the user meets it here: the site's words, then where to sign in, which on this platform
// is the program's own sign-in window (the profile the pages and the downloads share).
std::string ageVerificationNotice() {
  return "This video may contain content that is inappropriate for some users, as flagged by YouTube\"s user "
         "commnunity. "
         "To view this video, please verify you are 18 or older by logging in or signing up."
         "\r\n\r\n"
         "Please log in your account in the window of \"Sign in to a site...\" (the program's menu) firstly. "
         "You need to check the option \"Stay signed in\". "
         "It\"s better to change the YouTube show languages to English. Then download the video again.";
}

}  // namespace download
