#include "download/ClientProxy.h"

#include "common/SystemProxy.h"
#include "net/http/UrlParts.h"

#include <string>

namespace download {

void useSystemProxy(http::HttpClient& client) {
  const http::UrlParts address = http::splitAddress(client.url);
  client.proxy.clear();
  client.socksServer.clear();
  if (common::isProxyBypassed(common::systemProxyBypass(), address.host)) return;
  if (common::isSystemProxyEnabled()) {
    const common::ProxyAddress proxy = common::systemProxy(address.proto == "https" ? "https" : "http");
    client.proxy = proxy.host;
    client.proxyPort = std::to_string(proxy.port);
  }
  if (!client.proxy.empty()) return;
  const common::SocksProxy socks = common::systemSocksProxy();
  if (socks.level.empty()) return;
  client.socksServer = socks.host;
  client.socksPort = std::to_string(socks.port);
  client.socksLevel = socks.level;
  client.socksUsercode = socks.user;
  client.socksPassword = socks.password;
  client.socksAuthentication = socks.level == "5" && !socks.user.empty() ? net::SocksAuthentication::UserCode
                                                                         : net::SocksAuthentication::None;
}

}  // namespace download
