// One extraction pass over the text of a video page: finds the address of the video stream and the
// name of the video file to write, for the three known sites (recognised by their domains, from
// common::SiteConfig::current(), inside the page address). The page-retrieval loop runs the pass again
// and again over the growing page text; a pass keeps nothing of its own, so repeating it over the same
// text gives the same result.
#pragma once

#include "download/ConversionRequest.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace download {

enum class ExtractOutcome {
  Stopped,     // the age-verification page: the notice was shown; the caller must now run stop()
  EndAttempt,  // the site's not-available page: the caller loads the page again
  Found,       // downloadUrl holds the stream address
  NothingYet,  // poll the page again
};

// The request state a pass reads and writes (the download request's fields of the same names).
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

// Runs one pass over `page` (the document source, UTF-8) for the page address `address`. On the
// age-verification page it gives the front end the notice and returns Stopped; it never stops the
// request itself.
ExtractOutcome extractVideoAddress(std::string_view page, const std::string& address,
                                   ExtractionFields fields);

// The text of the age-verification notice.
std::string ageVerificationNotice();

}  // namespace download
