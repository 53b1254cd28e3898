// The page rules of the three known sites: one pass over the text of a video page finds the address of the
// video stream and the name of the video file to write (recognised by the sites' domains, from
// common::SiteConfig::current(), inside the page address). The page retrieval runs the pass again and
// again over the growing page text; a pass keeps nothing of its own, so repeating it over the same text
// gives the same result. Each site's rules live in a file of their own in this folder (SitePass.h).
#pragma once

#include "download/JobInput.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace download {

enum class ExtractOutcome {
  AgeRestricted,  // the age-verification page: the page is for signed-in adults only
  EndAttempt,     // the site's not-available page: the caller loads the page again
  Found,          // downloadUrl holds the stream address
  NothingYet,     // poll the page again
};

// The request state a pass reads and writes.
struct ExtractionFields {
  std::string& fileName;     // starts a run as "get_video"
  std::string& downloadUrl;  // starts a run empty
  RequestMode& mode;         // set to download::RequestMode::DownloadOnly on a Google Video page
  // When given: the title the file name was made from, as a person reads it (titleText), for the
  // audio file's tags; left as it is while no title is found.
  std::string* title = nullptr;
};

// Longest stream address a pass accepts; a longer one is not an address but page text caught between
// two markers, and the pass goes on as if it had found none.
constexpr std::size_t kMaxStreamAddressBytes = 8 * 1024;

// Runs one pass over `page` (the document source, UTF-8) for the page address `address`.
ExtractOutcome extractVideoAddress(std::string_view page, const std::string& address,
                                   ExtractionFields fields);

// The text of the age-verification notice.
std::string ageVerificationNotice();

}  // namespace download
