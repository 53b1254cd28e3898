// One fuzz input for the SOCKS reply parser: the first byte picks the kind of reply, the rest are the bytes
// a proxy sent. The bytes are fed whole, byte by byte and in the portions the parser asks for; all three
// must agree, the parser may never take more than it asked for nor hold more than its fixed area, and a
// reply it calls complete must be one the protocol allows. Returns what went wrong, or the empty text.
// Shared by the fuzz target and its regression test.
#pragma once

#include "net/socket/SocksReply.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzing {

// Length of a well-formed successful reply starting at `r`, or 0 when `r` is not one.
inline std::size_t validSocksReplyLength(net::SocksReplyKind kind, const std::uint8_t* r, std::size_t n) {
  using K = net::SocksReplyKind;
  switch (kind) {
    case K::Socks5MethodReply:
      return n >= 2 && r[0] == 5 && (r[1] == 0 || r[1] == 2) ? 2 : 0;
    case K::Socks5AuthReply:
      return n >= 2 && r[0] == 1 && r[1] == 0 ? 2 : 0;
    case K::Socks4ConnectReply:
      return n >= 8 && r[0] == 0 && r[1] == 90 ? 8 : 0;
    case K::Socks5ConnectReply: {
      if (n < 5 || r[0] != 5 || r[1] != 0) return 0;
      const std::size_t len = r[3] == 1 ? 10 : r[3] == 4 ? 22 : r[3] == 3 ? 7u + r[4] : 0;
      return len != 0 && n >= len ? len : 0;
    }
  }
  return 0;
}

inline std::string checkSocksReply(const std::uint8_t* data, std::size_t size) {
  using net::SocksReply;
  if (size == 0) return {};
  const auto kind = static_cast<net::SocksReplyKind>(data[0] % 4);
  const std::uint8_t* bytes = data + 1;
  const std::size_t n = size - 1;

  SocksReply whole(kind);
  const std::size_t takenWhole = whole.take(bytes, n);
  if (takenWhole > n || whole.held() > SocksReply::kMaxReply) return "took more than it was given";
  if ((whole.wanted() == 0) != (whole.status() != SocksReply::Status::Incomplete)) {
    return "wants bytes after its verdict, or none before it";
  }
  if (whole.status() == SocksReply::Status::Incomplete && takenWhole != n) return "left bytes unread";

  SocksReply single(kind);
  std::size_t takenSingle = 0;
  while (takenSingle < n && single.take(bytes + takenSingle, 1) == 1) ++takenSingle;

  SocksReply asked(kind);
  std::size_t takenAsked = 0;
  while (asked.wanted() > 0 && takenAsked < n) {
    const std::size_t want = asked.wanted();
    const std::size_t give = want < n - takenAsked ? want : n - takenAsked;
    if (asked.take(bytes + takenAsked, give) != give) return "refused bytes it asked for";
    takenAsked += give;
  }

  for (const SocksReply* other : {&single, &asked}) {
    if (other->status() != whole.status() || other->error() != whole.error() ||
        other->errorText() != whole.errorText() || other->boundAddr() != whole.boundAddr() ||
        other->boundPort() != whole.boundPort()) {
      return "fragments changed the verdict";
    }
  }
  const std::size_t valid = validSocksReplyLength(kind, bytes, n);
  if (whole.status() == SocksReply::Status::Complete) {
    if (valid == 0 || takenWhole != valid || takenSingle != valid || takenAsked != valid) {
      return "accepted a reply the protocol does not allow, or the wrong length of one";
    }
  } else if (valid != 0) {
    return "refused or left open a valid reply";
  }
  if (whole.status() == SocksReply::Status::Failed && (whole.error() < 20001 || whole.error() > 20016)) {
    return "failure without a SOCKS error code";
  }
  return {};
}

}  // namespace fuzzing
