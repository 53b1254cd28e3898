// One reply of a SOCKS proxy, gathered and checked as it arrives. The reply is resumable: bytes may come
// in any fragments, byte by byte included, and take() accepts only as many as the reply still needs, so
// whatever follows the reply (the tunnelled stream) is left to the caller. The holding area is fixed and
// sized for the longest reply the protocol allows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace net {

// SOCKS error numbers, reported through onSocksError and then as the connect error.
struct SocksError {
  enum : std::int32_t {
    LogicError = 20001,  // bytes where the protocol expects none
    VersionError = 20002,
    AuthMethodError = 20003,
    GeneralFailure = 20004,  // 20004..20011: the version 5 reply codes 1..8
    ConnectionNotAllowed = 20005,
    NetworkUnreachable = 20006,
    HostUnreachable = 20007,
    ConnectionRefused = 20008,
    TtlExpired = 20009,
    CommandNotSupported = 20010,
    AddressTypeNotSupported = 20011,
    UnassignedError = 20012,
    InternalError = 20013,
    AuthenticationFailed = 20015,
    RequestRejected = 20016,
    ResolveError = 20017,
  };
};

// The replies of the protocol, named with the version they belong to.
enum class SocksReplyKind {
  Socks5MethodReply,   // version, chosen method
  Socks5AuthReply,     // sub-negotiation version 1, status
  Socks4ConnectReply,  // 0, status 90..93, port, address (8 bytes)
  Socks5ConnectReply,  // version, status, reserved, address type, bound address, bound port
};

class SocksReply {
 public:
  enum class Status { Incomplete, Complete, Failed };

  // The longest reply: a version 5 connect reply with a 255-byte name (4 + 1 + 255 + 2).
  static constexpr std::size_t kMaxReply = 262;

  explicit SocksReply(SocksReplyKind kind = SocksReplyKind::Socks5MethodReply) { reset(kind); }

  // Starts gathering a new reply of `kind`.
  void reset(SocksReplyKind kind);

  // Bytes the reply needs next before anything more can be decided; 0 once complete or failed.
  std::size_t wanted() const;
  // Takes at most wanted() bytes of `data` and checks them; returns how many were taken.
  std::size_t take(const std::uint8_t* data, std::size_t len);

  SocksReplyKind kind() const { return kind_; }
  Status status() const { return status_; }
  std::size_t held() const { return held_; }
  // The failure once failed: a SocksError and its text.
  std::int32_t error() const { return error_; }
  const std::string& errorText() const { return errorText_; }
  // The method a version 5 proxy chose (method reply only).
  std::uint8_t method() const { return held_ >= 2 ? buf_[1] : 0; }
  // What a version 5 connect reply names as its bound end: dotted or IPv6 text, or the name; decimal port.
  const std::string& boundAddr() const { return boundAddr_; }
  const std::string& boundPort() const { return boundPort_; }

 private:
  std::size_t needed() const;  // total length known so far
  void check();
  void checkSocks5Connect();
  void checkSocks4Connect();
  void storeBound();
  void fail(std::int32_t code, std::string text);

  SocksReplyKind kind_ = SocksReplyKind::Socks5MethodReply;
  Status status_ = Status::Incomplete;
  std::array<std::uint8_t, kMaxReply> buf_{};
  std::size_t held_ = 0;
  std::int32_t error_ = 0;
  std::string errorText_;
  std::string boundAddr_;
  std::string boundPort_;
};

}  // namespace net
