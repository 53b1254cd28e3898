// A stream offered only as an HLS or DASH playlist is not downloaded by the program's client: the converter
// reads it itself, as its input. These are the converter's options for that input: the request fields the
// resolver named, its cookies through the converter's own cookie option (each with its domain and path, so
// that a segment on another host gets only its own), certificate checks on, and a network time limit.
#pragma once

#include "download/sites/StreamLocator.h"

#include <string>
#include <vector>

namespace download {

// How long the converter waits for a byte of the network before it gives up.
constexpr int kSegmentedStreamTimeoutSeconds = 30;

// The converter's options for reading `stream` (a segmented one). Empty, with the reason in `refusal`,
// when it cannot be read that way: a SOCKS proxy is set, which the converter cannot go through.
std::vector<std::string> segmentedInputOptions(const FoundStream& stream, std::string& refusal);

// The certificate authorities the converter checks servers against: $SSL_CERT_FILE when set, else the
// system's bundle; empty when neither is there.
std::string certificateBundle();

}  // namespace download
