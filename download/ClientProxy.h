// The system proxy for the job's own HTTP clients (the video's download and the cover's fetch), so that
// every request of a job goes the same way.
#pragma once

#include "net/http/HttpClient.h"

namespace download {

// Points `client` at the system proxy for its address (client.url, set before), in place of any proxy it
// had: the web proxy of http_proxy (https_proxy for an https: address, which goes through it with
// CONNECT), or else the SOCKS proxy of all_proxy; no proxy when no_proxy names the host or none is set.
void useSystemProxy(http::HttpClient& client);

}  // namespace download
