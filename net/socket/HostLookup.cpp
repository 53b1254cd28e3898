#include "net/socket/HostLookup.h"

#include "net/socket/Resolvers.h"
#include "net/socket/SocketErrors.h"

#include <netdb.h>
#include <netinet/in.h>

#include <algorithm>

namespace net {

HostLookup::HostLookup(platform::MailboxRef<LookupDone> target, std::uint64_t handle, std::string hostName)
    : thread_([this, target = std::move(target), handle, name = std::move(hostName)] {
        LookupDone done{.lookup = handle};
        done.error = static_cast<std::uint16_t>(resolve(name, done.addresses));
        target.post(std::move(done));
        done_ = true;
      }) {}

HostLookup::~HostLookup() {
  if (thread_.joinable()) thread_.join();
}

int HostLookup::resolve(const std::string& hostName, Result& addresses) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  const int rc = getaddrinfo(hostName.c_str(), nullptr, &hints, &list);
  if (rc != 0) return socketErrorFromResolver(rc);
  for (addrinfo* ai = list; ai != nullptr; ai = ai->ai_next) {
    const std::string text = ipv4ToText(reinterpret_cast<sockaddr_in*>(ai->ai_addr)->sin_addr.s_addr);
    if (std::find(addresses.begin(), addresses.end(), text) == addresses.end()) addresses.push_back(text);
  }
  freeaddrinfo(list);
  return addresses.empty() ? SocketError::NoData : 0;
}

}  // namespace net
