// The picture a video page names for itself in its head (`<meta property="og:image" content="...">`): the
// cover when the page rules found the stream and the resolver named no picture. The reader is a bounded
// scan: only the first kMaxPageHeadBytes of the page are looked at, a tag longer than kMaxMetaTagBytes is
// skipped, and an address that is not http(s), holds blanks or control characters, or is longer than
// kMaxPictureUrl is no picture.
#pragma once

#include "download/VideoMetadata.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace download {

constexpr std::size_t kMaxPageHeadBytes = 2 * 1024 * 1024;
constexpr std::size_t kMaxMetaTagBytes = 16 * 1024;

// The address of the page's own picture; empty when it names none that can be fetched.
std::string pagePicture(std::string_view page);

}  // namespace download
