// Request types, client states, options and the request-done error numbers of the HTTP client.
#pragma once

#include <cstdint>

namespace http {

enum THttpRequest : int { httpABORT, httpGET, httpPOST, httpPUT, httpHEAD, httpCLOSE };

enum THttpState : int {
  httpReady,
  httpNotConnected,
  httpConnected,
  httpDnsLookup,
  httpDnsLookupDone,
  httpWaitingHeader,
  httpWaitingBody,
  httpBodyReceived,
  httpWaitingProxyConnect,
  httpClosing,
  httpAborting,
};

// THttpCliOptions is a set of these bits.
enum THttpCliOption : unsigned {
  httpoNoBasicAuth = 1u << 0,
  httpoNoNTLMAuth = 1u << 1,
  httpoBandwidthControl = 1u << 2,
  httpoEnableContentCoding = 1u << 3,
  httpoUseQuality = 1u << 4,
};
using THttpCliOptions = unsigned;

// Request-done error numbers of the client's own. Socket and lookup failures carry the socket error
// numbers (10000 and up) instead. The status text says what went wrong in each case.
enum THttpError : std::uint16_t {
  httperrNoError = 0,
  httperrAborted = 3,
  httperrCutShort = 20,        // the connection closed before the announced body was complete
  httperrBadChunk = 21,        // chunked framing that cannot be read
  httperrHeaderTooLarge = 22,  // the response header block never ended within the limits
  httperrBadStatusLine = 23,   // a status code that is not a number
  httperrWriteFailed = 24,     // writing the body to the receive stream failed
  httperrNoResponse = 25,      // the connection closed before any response line arrived
  httperrBadAddress = 26,      // the address cannot be written into a request
};

}  // namespace http
