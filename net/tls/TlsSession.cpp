#include "net/tls/TlsSession.h"

#include "net/tls/OpenSsl.h"

#include <arpa/inet.h>

#include <algorithm>
#include <climits>

namespace tls {
namespace {

// An IPv4 or IPv6 address written as such ("[::1]" with or without its brackets): verified as an
// address, never sent as a server name.
bool isAddressLiteral(const std::string& host, std::string& bare) {
  bare = host;
  if (bare.size() >= 2 && bare.front() == '[' && bare.back() == ']') bare = bare.substr(1, bare.size() - 2);
  unsigned char address[16];
  return ::inet_pton(AF_INET, bare.c_str(), address) == 1 ||
         ::inet_pton(AF_INET6, bare.c_str(), address) == 1;
}

}  // namespace

TlsSession::TlsSession() = default;

TlsSession::~TlsSession() {
  release();
}

void TlsSession::release() {
  if (ssl_ != nullptr) api_->SSL_free(ssl_);  // frees both memory buffers with it
  if (context_ != nullptr) api_->SSL_CTX_free(context_);
  ssl_ = nullptr;
  context_ = nullptr;
  input_ = output_ = nullptr;
}

void TlsSession::setState(TlsState state) {
  if (state_ == TlsState::Failed || state_ == TlsState::Closed) return;  // final
  state_ = state;
}

// The first failure is the one told; a session that ended in order stays Closed.
TlsResult TlsSession::fail(const std::string& text) {
  if (state_ != TlsState::Failed && state_ != TlsState::Closed) errorText_ = text;
  setState(TlsState::Failed);
  return TlsResult::Failed;
}

TlsResult TlsSession::start(const std::string& host) {
  if (state_ != TlsState::Idle) return fail("TLS session started twice");
  host_ = host;
  std::string whyNot;
  api_ = openSsl(whyNot);
  if (api_ == nullptr) return fail("TLS with " + host + " failed: OpenSSL could not be loaded: " + whyNot);
  api_->ERR_clear_error();
  // A context per session: the trust store is read when the session starts, so SSL_CERT_FILE and
  // SSL_CERT_DIR as they are now apply.
  context_ = api_->SSL_CTX_new(api_->TLS_client_method());
  if (context_ == nullptr) return fail("TLS with " + host + " failed: cannot create a TLS context");
  api_->SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION);
  api_->SSL_CTX_set_verify(context_, SSL_VERIFY_PEER, nullptr);
  if (api_->SSL_CTX_set_default_verify_paths(context_) != 1)
    return fail("TLS with " + host + " failed: the system's trusted certificates cannot be read");
  ssl_ = api_->SSL_new(context_);
  input_ = api_->BIO_new(api_->BIO_s_mem());
  output_ = api_->BIO_new(api_->BIO_s_mem());
  if (ssl_ == nullptr || input_ == nullptr || output_ == nullptr) {
    if (input_ != nullptr) api_->BIO_free(input_);
    if (output_ != nullptr) api_->BIO_free(output_);
    input_ = output_ = nullptr;
    return fail("TLS with " + host + " failed: out of memory");
  }
  // An empty buffer means "nothing yet", never the end of the stream: the socket tells the end.
  api_->BIO_set_mem_eof_return(input_, -1);
  api_->BIO_set_mem_eof_return(output_, -1);
  api_->SSL_set_bio(ssl_, input_, output_);
  api_->SSL_set_connect_state(ssl_);

  std::string bare;
  bool checkSet;
  if (isAddressLiteral(host, bare)) {
    checkSet = api_->X509_VERIFY_PARAM_set1_ip_asc(api_->SSL_get0_param(ssl_), bare.c_str()) == 1;
  } else {
    api_->SSL_set_hostflags(ssl_, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    checkSet = api_->SSL_set_tlsext_host_name(ssl_, host.c_str()) == 1 &&
               api_->SSL_set1_host(ssl_, host.c_str()) == 1;
  }
  if (!checkSet) return fail("TLS with " + host + " failed: the host name cannot be checked");
  setState(TlsState::Handshaking);
  return handshake();
}

TlsResult TlsSession::handshake() {
  if (state_ == TlsState::Open) return TlsResult::Done;
  if (state_ != TlsState::Handshaking) return TlsResult::Failed;
  api_->ERR_clear_error();
  const int ret = api_->SSL_do_handshake(ssl_);
  if (ret == 1) {
    // The handshake verifies with SSL_VERIFY_PEER; the result is checked again so that no path can skip it.
    const long verify = api_->SSL_get_verify_result(ssl_);
    if (verify != X509_V_OK)
      return fail("certificate of " + host_ + " refused: " + api_->X509_verify_cert_error_string(verify));
    setState(TlsState::Open);
    return TlsResult::Done;
  }
  const int error = api_->SSL_get_error(ssl_, ret);
  if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) return TlsResult::NeedMore;
  const long verify = api_->SSL_get_verify_result(ssl_);
  if (verify != X509_V_OK)
    return fail("certificate of " + host_ + " refused: " + api_->X509_verify_cert_error_string(verify));
  return fail("TLS handshake with " + host_ + " failed: " + failureReason(ret));
}

std::string TlsSession::failureReason(int ret) {
  const int error = api_->SSL_get_error(ssl_, ret);
  unsigned long code = api_->ERR_peek_last_error();
  if (code != 0) {
    const char* reason = api_->ERR_reason_error_string(code);
    if (reason != nullptr) return reason;
    return "OpenSSL error " + std::to_string(code);
  }
  if (error == SSL_ERROR_ZERO_RETURN || error == SSL_ERROR_SYSCALL) return "the peer ended the session";
  return "TLS error " + std::to_string(error);
}

std::size_t TlsSession::feed(const char* data, std::size_t size) {
  if (state_ != TlsState::Handshaking && state_ != TlsState::Open) return 0;
  const std::size_t held = api_->BIO_ctrl_pending(input_);
  if (held >= kMaxPendingInput) return 0;
  const std::size_t n = std::min(size, kMaxPendingInput - held);
  if (n == 0) return 0;
  const int written = api_->BIO_write(input_, data, static_cast<int>(n));
  if (written <= 0) {
    fail("TLS with " + host_ + " failed: out of memory");
    return 0;
  }
  return static_cast<std::size_t>(written);
}

bool TlsSession::hasPendingInput() const {
  if (ssl_ == nullptr || (state_ != TlsState::Handshaking && state_ != TlsState::Open)) return false;
  return api_->BIO_ctrl_pending(input_) > 0 || api_->SSL_pending(ssl_) > 0;
}

std::size_t TlsSession::bufferedInput() const {
  return input_ != nullptr ? api_->BIO_ctrl_pending(input_) : 0;
}

int TlsSession::read(char* buffer, int size) {
  if (state_ == TlsState::Handshaking) {
    const TlsResult step = handshake();
    if (step == TlsResult::NeedMore) return 0;
    if (step == TlsResult::Failed) return -1;
  }
  if (state_ != TlsState::Open) return -1;
  if (size <= 0) return 0;
  api_->ERR_clear_error();
  const int ret = api_->SSL_read(ssl_, buffer, size);
  if (ret > 0) return ret;
  const int error = api_->SSL_get_error(ssl_, ret);
  if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) return 0;
  if (error == SSL_ERROR_ZERO_RETURN) {
    setState(TlsState::Closed);
    return -1;
  }
  fail("TLS with " + host_ + " failed: " + failureReason(ret));
  return -1;
}

bool TlsSession::write(const char* data, std::size_t size) {
  if (state_ != TlsState::Open) return false;
  while (size > 0) {
    api_->ERR_clear_error();
    const int piece = static_cast<int>(std::min<std::size_t>(size, INT_MAX / 2));
    const int ret = api_->SSL_write(ssl_, data, piece);
    if (ret <= 0) {
      fail("TLS with " + host_ + " failed: " + failureReason(ret));
      return false;
    }
    data += ret;
    size -= static_cast<std::size_t>(ret);
  }
  return true;
}

std::string TlsSession::takeOutput() {
  std::string out;
  if (output_ == nullptr) return out;
  const std::size_t n = api_->BIO_ctrl_pending(output_);
  if (n == 0) return out;
  out.resize(n);
  const int got = api_->BIO_read(output_, out.data(), static_cast<int>(n));
  out.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return out;
}

bool TlsSession::hasOutput() const {
  return output_ != nullptr && api_->BIO_ctrl_pending(output_) > 0;
}

void TlsSession::peerClosed() {
  if (state_ == TlsState::Handshaking || state_ == TlsState::Idle)
    fail("TLS handshake with " + host_ + " cut short: the connection closed");
}

}  // namespace tls
