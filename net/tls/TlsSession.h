// TlsSession: one TLS client connection without a socket of its own. The bytes from the peer are given to
// feed(), the bytes for the peer are taken with takeOutput(); OpenSSL works on two memory buffers only, so
// the caller's socket stays non-blocking and event-driven and no OpenSSL call ever waits.
//
// States: Idle -> Handshaking (start) -> Open (the handshake and the certificate check passed) ->
// Closed (the peer said goodbye) or Failed (any error; errorText() says why). Failed and Closed are final.
//
// The peer's certificate is verified against the system's trust store (OpenSSL's default places, where
// SSL_CERT_FILE and SSL_CERT_DIR apply), its chain and the host name or IP address both. There is no way
// to switch the check off.
#pragma once

#include <cstddef>
#include <string>

using SSL = struct ssl_st;
using SSL_CTX = struct ssl_ctx_st;
using BIO = struct bio_st;

namespace tls {

struct OpenSsl;

// The most ciphertext from the peer held before the session reads it: feed() takes no more than this
// (the largest TLS record and some), so a peer cannot make the buffer grow.
constexpr std::size_t kMaxPendingInput = 64 * 1024;

enum class TlsState {
  Idle,         // nothing started
  Handshaking,  // the handshake is running: feed, advance, take output
  Open,         // application data flows both ways
  Closed,       // the peer ended the session in order
  Failed,       // a final error: errorText()
};

enum class TlsResult {
  Done,      // the step completed
  NeedMore,  // more bytes from the peer are needed (or the output must be sent first)
  Failed,    // the session failed; errorText() says why
};

class TlsSession {
 public:
  TlsSession();
  ~TlsSession();
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;

  // Begins the handshake with `host` (a name, or an IPv4/IPv6 address: then no SNI, the address is checked).
  // The first handshake bytes are waiting in takeOutput() afterwards.
  TlsResult start(const std::string& host);
  // Advances the handshake with what was fed; Done once Open.
  TlsResult handshake();

  // Ciphertext from the peer. Returns how many bytes were taken: less than `size` when the session already
  // holds kMaxPendingInput bytes it has not read (read or handshake first), 0 in a final state.
  std::size_t feed(const char* data, std::size_t size);
  // True when the session still holds peer bytes it has not turned into plaintext.
  bool hasPendingInput() const;
  // How many fed bytes wait unread in the session's input buffer (at most kMaxPendingInput).
  std::size_t bufferedInput() const;
  // Plaintext: the count read (> 0); 0 when more bytes from the peer are needed; -1 when the session is
  // Closed or Failed.
  int read(char* buffer, int size);
  // Encrypts all of `data` (Open only); false when the session failed.
  bool write(const char* data, std::size_t size);
  // The ciphertext waiting to go to the peer, removed from the session.
  std::string takeOutput();
  bool hasOutput() const;

  // The peer closed the connection under the session: a handshake still running failed ("cut short").
  void peerClosed();

  TlsState state() const { return state_; }
  const std::string& errorText() const { return errorText_; }
  const std::string& host() const { return host_; }

 private:
  // The one place where the state changes.
  void setState(TlsState state);
  TlsResult fail(const std::string& text);
  // The reason OpenSSL gives for the failed call that returned `ret`.
  std::string failureReason(int ret);
  void release();

  TlsState state_ = TlsState::Idle;
  std::string host_;
  std::string errorText_;
  const OpenSsl* api_ = nullptr;  // the library's functions, once a session has started
  SSL_CTX* context_ = nullptr;
  SSL* ssl_ = nullptr;
  BIO* input_ = nullptr;   // peer -> session (owned by ssl_)
  BIO* output_ = nullptr;  // session -> peer (owned by ssl_)
};

}  // namespace tls
