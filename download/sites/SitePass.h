// What the rules of each known site share: one pass over a page, its inputs and the fields it writes, and
// the small searches the rules are made of.
#pragma once

#include "common/SiteConfig.h"
#include "download/sites/PageRules.h"

#include <optional>
#include <string>
#include <string_view>

namespace download::sites {

struct Pass {
  std::string_view page;
  const std::string& address;
  ExtractionFields& fields;
  const common::SiteConfig& sites;
};

// What a site's rules end with: an outcome for the whole pass, or nothing to go on with the next site's.
using BlockEnd = std::optional<ExtractOutcome>;

// Where a step finds nothing yet the pass ends; an address found by an earlier site's rules still counts.
ExtractOutcome nothingYet(const Pass& pass);

// The text between the first `open` and the first `close` after it; nullopt when either is missing.
std::optional<std::string_view> between(std::string_view page, std::string_view open, std::string_view close,
                                        bool ignoreCase);

// Keeps the title the file name was made from, as a person reads it.
void keepTitle(Pass& pass, std::string_view title);

// Takes `address` as the stream's; false (nothing taken) when it is too long to be one.
bool setStreamAddress(Pass& pass, std::string address);

BlockEnd runYouTube(Pass& pass);
BlockEnd runMetacafe(Pass& pass);
BlockEnd runGoogleVideo(Pass& pass);

}  // namespace download::sites
