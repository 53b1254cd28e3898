// Request types, client states, options and the request-done error numbers of the HTTP client.
#pragma once

#include <cstdint>

namespace http {

enum class RequestType { Abort, Get, Post, Put, Head, Close };

enum class HttpState {
  Ready,
  NotConnected,
  Connected,
  DnsLookup,
  DnsLookupDone,
  WaitingHeader,
  WaitingBody,
  BodyReceived,
  WaitingProxyConnect,
  Closing,
  Aborting,
};

// HttpClientOptions is a set of these bits.
enum HttpClientOption : unsigned {
  NoBasicAuth = 1u << 0,
  NoNtlmAuth = 1u << 1,
  BandwidthControl = 1u << 2,
  EnableContentCoding = 1u << 3,
  UseQuality = 1u << 4,
};
using HttpClientOptions = unsigned;

// Request-done error numbers of the client's own. Socket and lookup failures carry the socket error
// numbers (10000 and up) instead. The status text says what went wrong in each case.
enum HttpError : std::uint16_t {
  NoError = 0,
  Aborted = 3,
  CutShort = 20,           // the connection closed before the announced body was complete
  BadChunk = 21,           // chunked framing that cannot be read
  HeaderTooLarge = 22,     // the response header block never ended within the limits
  BadStatusLine = 23,      // a status code that is not a number
  WriteFailed = 24,        // writing the body to the receive stream failed
  NoResponse = 25,         // the connection closed before any response line arrived
  BadAddress = 26,         // the address cannot be written into a request
  HeaderLineTooLong = 27,  // one header line does not fit the receive buffer
  BadLength = 28,          // Content-Length values that disagree
  ConnectFailed = 29,      // the connection could not be started with these settings (the text says why)
  TlsFailed = 30,      // the TLS handshake or session failed, a certificate was refused (the text says why)
  TunnelRefused = 31,  // the HTTP proxy did not open a tunnel with CONNECT (the text says why)
  TimedOut = 32,       // no connection or no TLS handshake within the request's time limit (the text says
                       // which); a peer silent past the idle limit ends the response as a cut instead
};

}  // namespace http
