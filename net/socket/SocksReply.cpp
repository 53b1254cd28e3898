#include "net/socket/SocksReply.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

namespace net {
namespace {

constexpr std::uint8_t kAddrIPv4 = 1;
constexpr std::uint8_t kAddrName = 3;
constexpr std::uint8_t kAddrIPv6 = 4;

// Texts of the version 5 connect reply codes 1..8, in order (errors 20004..20011).
constexpr const char* kSocks5Failures[] = {
    "general SOCKS server failure", "connection not allowed by ruleset",
    "network unreachable",          "host unreachable",
    "connection refused",           "time to live expired",
    "command not supported",        "address type not supported",
};

std::string unassigned(std::uint8_t value) {
  return "unassigned error #" + std::to_string(value);
}

}  // namespace

void SocksReply::reset(SocksReplyKind kind) {
  kind_ = kind;
  status_ = Status::Incomplete;
  held_ = 0;
  error_ = 0;
  errorText_.clear();
  boundAddr_.clear();
  boundPort_.clear();
}

std::size_t SocksReply::needed() const {
  switch (kind_) {
    case SocksReplyKind::Socks5MethodReply:
    case SocksReplyKind::Socks5AuthReply:
      return 2;
    case SocksReplyKind::Socks4ConnectReply:
      return 8;
    case SocksReplyKind::Socks5ConnectReply:
      break;
  }
  // Version and status first, so a refusal is seen without waiting for an address that may never come;
  // then up to the first address byte, which fixes the length of the rest.
  if (held_ < 2) return 2;
  if (held_ < 5) return 5;
  switch (buf_[3]) {
    case kAddrIPv4:
      return 4 + 4 + 2;
    case kAddrName:
      return 4 + 1 + std::size_t{buf_[4]} + 2;
    case kAddrIPv6:
      return 4 + 16 + 2;
    default:
      return 5;  // refused by check() before anything more is asked
  }
}

std::size_t SocksReply::wanted() const {
  if (status_ != Status::Incomplete) return 0;
  return needed() - held_;
}

std::size_t SocksReply::take(const std::uint8_t* data, std::size_t len) {
  std::size_t taken = 0;
  while (taken < len && status_ == Status::Incomplete) {
    const std::size_t n = std::min(wanted(), len - taken);
    std::memcpy(buf_.data() + held_, data + taken, n);
    held_ += n;
    taken += n;
    check();
  }
  return taken;
}

void SocksReply::fail(std::int32_t code, std::string text) {
  status_ = Status::Failed;
  error_ = code;
  errorText_ = std::move(text);
}

void SocksReply::check() {
  switch (kind_) {
    case SocksReplyKind::Socks5MethodReply:
      if (held_ < 2) return;
      if (buf_[0] != 5) return fail(SocksError::VersionError, "socks version error");
      if (buf_[1] != 0 && buf_[1] != 2) {
        return fail(SocksError::AuthMethodError, "authentification method not acceptable");
      }
      status_ = Status::Complete;
      return;
    case SocksReplyKind::Socks5AuthReply:
      if (held_ < 2) return;
      if (buf_[0] != 1) return fail(SocksError::VersionError, "socks version error");
      if (buf_[1] != 0) return fail(SocksError::AuthenticationFailed, "socks authentication failed");
      status_ = Status::Complete;
      return;
    case SocksReplyKind::Socks4ConnectReply:
      return checkSocks4Connect();
    case SocksReplyKind::Socks5ConnectReply:
      return checkSocks5Connect();
  }
}

void SocksReply::checkSocks4Connect() {
  if (held_ < 8) return;  // a version 4 reply is judged whole
  if (buf_[0] != 0) return fail(SocksError::VersionError, "socks version error");
  switch (buf_[1]) {
    case 90:
      status_ = Status::Complete;
      return;
    case 91:
      return fail(SocksError::RequestRejected, "request rejected or failed");
    case 92:
      return fail(SocksError::ConnectionRefused, "connection refused");
    case 93:
      return fail(SocksError::AuthenticationFailed, "authentification failed");
    default:
      return fail(SocksError::UnassignedError, unassigned(buf_[1]));
  }
}

void SocksReply::checkSocks5Connect() {
  if (buf_[0] != 5) return fail(SocksError::VersionError, "socks version error");
  if (held_ < 2) return;
  const std::uint8_t status = buf_[1];
  if (status >= 1 && status <= 8)
    return fail(SocksError::GeneralFailure + status - 1, kSocks5Failures[status - 1]);
  if (status != 0) return fail(SocksError::UnassignedError, unassigned(status));
  if (held_ < 5) return;
  const std::uint8_t type = buf_[3];
  if (type != kAddrIPv4 && type != kAddrName && type != kAddrIPv6) {
    return fail(SocksError::AddressTypeNotSupported, "address type not supported");
  }
  if (held_ < needed()) return;
  storeBound();
  status_ = Status::Complete;
}

void SocksReply::storeBound() {
  const std::uint8_t* p = buf_.data() + 4;
  char text[INET6_ADDRSTRLEN] = {};
  std::size_t addrLen = 0;
  if (buf_[3] == kAddrName) {
    addrLen = 1 + std::size_t{p[0]};
    boundAddr_.assign(reinterpret_cast<const char*>(p + 1), p[0]);
  } else {
    addrLen = buf_[3] == kAddrIPv4 ? 4 : 16;
    inet_ntop(buf_[3] == kAddrIPv4 ? AF_INET : AF_INET6, p, text, sizeof text);
    boundAddr_ = text;
  }
  boundPort_ = std::to_string((unsigned{p[addrLen]} << 8) | p[addrLen + 1]);
}

}  // namespace net
