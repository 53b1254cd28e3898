#include "download/ExtractVideoAddress.h"

#include "common/SiteConfig.h"
#include "download/ConversionRequest.h"
#include "download/PageSearch.h"
#include "download/VideoFileName.h"
#include "platform/Dialogs.h"
#include "resources/Strings.h"

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
ExtractOutcome NothingYet(const Pass& pass) {
  return pass.fields.DownloadUrl.empty() ? ExtractOutcome::NothingYet : ExtractOutcome::Found;
}

bool AddressIsOnSite(const std::string& address, const std::string& domain) {
  return !domain.empty() && ContainsNoCase(address, domain);
}

// The text between the first `open` and the first `close` after it; nullopt when either is missing.
std::optional<std::string_view> Between(std::string_view page, std::string_view open, std::string_view close,
                                        bool ignoreCase) {
  const std::size_t start = ignoreCase ? FindNoCase(page, open) : FindText(page, open);
  if (start == kNotFound) return std::nullopt;
  const std::string_view rest = RestAfter(page, start, open.size());
  const std::size_t end = ignoreCase ? FindNoCase(rest, close) : FindText(rest, close);
  if (end == kNotFound) return std::nullopt;
  return rest.substr(0, end);
}

// ---- YouTube ----

bool IsAgeVerificationPage(std::string_view page) {
  return ContainsNoCase(page, "confirm birth date") ||
         ContainsNoCase(page, "please verify you are 18 or older") ||
         (ContainsNoCase(page, "verify_age") && ContainsText(page, "18"));
}

void ShowAgeVerificationNotice() {
  platform::CurrentDialogs().MessageBox(resources::loadString(resources::StringId::Title),
                                        AgeVerificationNotice(), platform::DialogIcon::Information,
                                        platform::DialogButtons::Ok);
}

// The title of the page's meta element, up to its closing quote. A page cut off inside the value
// gives none yet: the rest of the value is still to come.
std::optional<std::string_view> MetaTitle(std::string_view page) {
  return Between(page, "meta name=\"title\" content=\"", "\"", false);
}

// The first title choice that this pass finds: the title element with the site's prefix, the meta
// title, then any title element. A later pass over more of the page may find a better choice.
void FindYouTubeTitle(Pass& pass) {
  const std::optional<std::string_view> choices[] = {
      Between(pass.page, "<title>YouTube - ", "</title>", false),
      MetaTitle(pass.page),
      Between(pass.page, "<title>", "</title>", false),
  };
  for (const auto& title : choices) {
    if (!title) continue;
    std::string name = TitleToFileName(*title);
    if (name.empty()) continue;
    pass.fields.FileName = std::move(name);
    return;
  }
}

// The stream token: the string after "t": in the page's data, else the value of "&t=" up to the
// next "&".
std::optional<std::string_view> YouTubeToken(std::string_view page) {
  const std::size_t quoted = FindText(page, "\"t\":");
  if (quoted != kNotFound) {
    const std::string_view rest = RestAfter(page, quoted, 4);
    const std::size_t open = rest.find('"');
    if (open == kNotFound) return std::nullopt;
    const std::string_view value = rest.substr(open + 1);
    const std::size_t close = value.find('"');
    if (close == kNotFound) return std::nullopt;
    return value.substr(0, close);
  }
  const std::size_t param = FindText(page, "&t=");
  if (param == kNotFound) return std::nullopt;
  const std::string_view rest = RestAfter(page, param, 3);
  const std::size_t end = rest.find('&');
  if (end == kNotFound) return std::nullopt;
  return rest.substr(0, end);
}

// Everything after the first "=" of the page address, cut before "&feature=" (any letter case).
std::optional<std::string> VideoIdentifier(const std::string& address) {
  const std::size_t eq = address.find('=');
  if (eq == std::string::npos) return std::nullopt;
  std::string id = address.substr(eq + 1);
  const std::size_t feature = FindNoCase(id, "&feature=");
  if (feature != kNotFound) id.resize(feature);
  return id;
}

bool SetStreamAddress(Pass& pass, std::string address) {
  if (address.size() > kMaxStreamAddressBytes) return false;
  pass.fields.DownloadUrl = std::move(address);
  return true;
}

BlockEnd RunYouTube(Pass& pass) {
  if (IsAgeVerificationPage(pass.page)) {
    ShowAgeVerificationNotice();
    return ExtractOutcome::Stopped;
  }
  if (ContainsNoCase(pass.page, "This functionality is not available right now")) {
    return ExtractOutcome::EndAttempt;
  }
  FindYouTubeTitle(pass);
  if (!pass.fields.DownloadUrl.empty()) return std::nullopt;
  const std::optional<std::string_view> token = YouTubeToken(pass.page);
  if (!token) return NothingYet(pass);
  const std::optional<std::string> id = VideoIdentifier(pass.address);
  if (!id) return NothingYet(pass);
  std::string stream = "http://" + pass.sites.YouTubeHost + "/get_video?asv=&video_id=" + *id + "&t=";
  stream.append(*token);
  if (!SetStreamAddress(pass, std::move(stream))) return NothingYet(pass);
  return std::nullopt;
}

// ---- Metacafe ----

BlockEnd RunMetacafe(Pass& pass) {
  std::string& fileName = pass.fields.FileName;
  fileName.clear();
  if (const auto title = Between(pass.page, "<title>", "- Video", true))
    fileName = MakeFileName(*title, ".flv");

  // The item file's name: from the last "%2520" before the first ".flv" up to the end of that ".flv".
  // The two markers share no character, so every "%2520" that starts before the ".flv" ends before it.
  const std::size_t flv = FindNoCase(pass.page, ".flv");
  if (flv == kNotFound) return NothingYet(pass);
  const std::size_t separator = pass.page.substr(0, flv).rfind("%2520");
  if (separator == kNotFound) return NothingYet(pass);
  const std::size_t start = separator + 5;
  const std::string_view piece = pass.page.substr(start, flv + 4 - start);

  if (fileName.empty())
    fileName = MakeFileName(piece.substr(0, piece.size() - 4), piece.substr(piece.size() - 4));
  std::string stream =
      "http://" + pass.sites.MetacafeFileHost + "/ItemFiles/%5BFrom%20" + pass.sites.MetacafeHost + "%5D%20";
  stream.append(piece);
  if (!SetStreamAddress(pass, std::move(stream))) return NothingYet(pass);
  return std::nullopt;
}

// ---- Google Video ----

std::string RandomGoogleVideoName() {
  std::mt19937 random(
      static_cast<std::mt19937::result_type>(std::chrono::system_clock::now().time_since_epoch().count()));
  return "GoogleVideo" + std::to_string(std::uniform_int_distribution<int>(0, 255)(random));
}

// The direct link: the value of an href on the player host that the page shows as "this link". Each
// such href is tried in turn, its value ending at its closing quote.
std::optional<std::string_view> GoogleVideoLink(const Pass& pass) {
  const std::string anchor = "href=\"http://" + pass.sites.GoogleVideoPlayerHost;
  constexpr std::string_view kCaption = "\">this link";
  const std::string_view page = pass.page;
  for (std::size_t at = FindNoCase(page, anchor); at != kNotFound; at = FindNoCase(page, anchor, at + 1)) {
    const std::size_t value = at + 6;
    const std::size_t close = page.find('"', value);
    if (close == kNotFound) return std::nullopt;
    if (FindNoCase(page.substr(close, kCaption.size()), kCaption) == 0)
      return page.substr(value, close - value);
  }
  return std::nullopt;
}

BlockEnd RunGoogleVideo(Pass& pass) {
  pass.fields.Mode = RequestMode::DownloadOnly;
  if (const auto title = Between(pass.page, "<title>", "</title>", true)) {
    std::string name = MakeFileName(*title, ".mp4");
    if (!name.empty()) pass.fields.FileName = std::move(name);
  }
  if (pass.fields.FileName.empty()) pass.fields.FileName = RandomGoogleVideoName();
  const std::optional<std::string_view> link = GoogleVideoLink(pass);
  if (!link || !SetStreamAddress(pass, std::string(*link))) return NothingYet(pass);
  return std::nullopt;
}

}  // namespace

ExtractOutcome ExtractVideoAddress(std::string_view page, const std::string& address,
                                   ExtractionFields fields) {
  const common::SiteConfig sites = common::SiteConfig::Current();
  Pass pass{page, address, fields, sites};
  const struct {
    const std::string& domain;
    BlockEnd (*run)(Pass&);
  } blocks[] = {
      {sites.YouTubeDomain, RunYouTube},
      {sites.MetacafeDomain, RunMetacafe},
      {sites.GoogleDomain, RunGoogleVideo},
  };
  for (const auto& block : blocks) {
    if (!AddressIsOnSite(address, block.domain)) continue;
    if (const BlockEnd end = block.run(pass)) return *end;
  }
  return NothingYet(pass);
}

std::string AgeVerificationNotice() {
  return "This video may contain content that is inappropriate for some users, as flagged by YouTube\"s user "
         "commnunity. "
         "To view this video, please verify you are 18 or older by logging in or signing up."
         "\r\n\r\n"
         "Please log in your account on Internet Explorer firstly. You need to check the option \"Stay "
         "signed "
         "in\". "
         "It\"s better to change the YouTube show languages to English. Then download the video again.";
}

}  // namespace download
