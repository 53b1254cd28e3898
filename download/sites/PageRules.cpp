#include "download/sites/PageRules.h"

#include "common/SiteConfig.h"
#include "common/Text.h"
#include "download/sites/SitePass.h"
#include "resources/Translations.h"

namespace download {
namespace {

bool addressIsOnSite(const std::string& address, const std::string& domain) {
  return !domain.empty() && common::containsNoCase(address, domain);
}

}  // namespace

ExtractOutcome extractVideoAddress(std::string_view page, const std::string& address,
                                   ExtractionFields fields) {
  const common::SiteConfig sites = common::SiteConfig::current();
  sites::Pass pass{page, address, fields, sites};
  const struct {
    const std::string& domain;
    sites::BlockEnd (*run)(sites::Pass&);
  } blocks[] = {
      {sites.youTubeDomain, sites::runYouTube},
      {sites.metacafeDomain, sites::runMetacafe},
      {sites.googleDomain, sites::runGoogleVideo},
  };
  for (const auto& block : blocks) {
    if (!addressIsOnSite(address, block.domain)) continue;
    if (const sites::BlockEnd end = block.run(pass)) return *end;
  }
  return sites::nothingYet(pass);
}

// The notice as the user meets it here: the site's words, then where to sign in, which on this platform
// is the program's own sign-in window (the profile the pages and the downloads share).
std::string ageVerificationNotice() {
  return resources::translate(
      "PageRules",
      "This video may contain content that is inappropriate for some users, as flagged by YouTube\"s user "
      "commnunity. "
      "To view this video, please verify you are 18 or older by logging in or signing up."
      "\r\n\r\n"
      "Please log in your account in the window of \"Sign in to a site...\" (the program's menu) firstly. "
      "You need to check the option \"Stay signed in\". "
      "It\"s better to change the YouTube show languages to English. Then download the video again.");
}

}  // namespace download
