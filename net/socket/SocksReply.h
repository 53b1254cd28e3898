// One reply of a SOCKS proxy, gathered and checked as it arrives. The reply is resumable: bytes may come
// in any fragments, byte by byte included, and Take() accepts only as many as the reply still needs, so
// whatever follows the reply (the tunnelled stream) is left to the caller. The holding area is fixed and
// sized for the longest reply the protocol allows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace net {

// SOCKS error numbers, reported through OnSocksError and then as the connect error.
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

  explicit SocksReply(SocksReplyKind kind = SocksReplyKind::Socks5MethodReply) { Reset(kind); }

  // Starts gathering a new reply of `kind`.
  void Reset(SocksReplyKind kind);

  // Bytes the reply needs next before anything more can be decided; 0 once complete or failed.
  std::size_t Wanted() const;
  // Takes at most Wanted() bytes of `data` and checks them; returns how many were taken.
  std::size_t Take(const std::uint8_t* data, std::size_t len);

  SocksReplyKind Kind() const { return kind_; }
  Status status() const { return status_; }
  std::size_t Held() const { return held_; }
  // The failure once failed: a SocksError and its text.
  std::int32_t Error() const { return error_; }
  const std::string& ErrorText() const { return errorText_; }
  // The method a version 5 proxy chose (method reply only).
  std::uint8_t Method() const { return held_ >= 2 ? buf_[1] : 0; }
  // What a version 5 connect reply names as its bound end: dotted or IPv6 text, or the name; decimal port.
  const std::string& BoundAddr() const { return boundAddr_; }
  const std::string& BoundPort() const { return boundPort_; }

 private:
  std::size_t Needed() const;  // total length known so far
  void Check();
  void CheckSocks5Connect();
  void CheckSocks4Connect();
  void StoreBound();
  void Fail(std::int32_t code, std::string text);

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
