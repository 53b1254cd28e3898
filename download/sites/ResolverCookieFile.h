// The browser profile's cookies handed to the resolver: a Netscape-format cookies file (the form yt-dlp
// reads with --cookies) in a private folder of its own under $XDG_RUNTIME_DIR. The folder is made with mode
// 0700 and the file with 0600; both go when the object goes, whatever became of the run. Folders that a
// crash left behind are removed by removeStaleResolverCookieFolders() at the next start. Cookie values are
// written to this file alone: never to a message or a log.
#pragma once

#include "platform/browser/BrowserCookie.h"

#include <cstdint>
#include <string>
#include <vector>

namespace download {

// The registrable domain of `host`: the public suffix it lies under and the one label before it
// ("www.bbc.co.uk" -> "bbc.co.uk", "a.example.com" -> "example.com"); an IP address, a name without a
// dot and a name that is itself a public suffix stand for themselves. Lower case, without a port.
std::string registrableDomain(const std::string& host);

// The cookies the resolver gets for a page on `host` at `now` (seconds since 1970, UTC): every cookie that
// has not expired whose domain lies within the host's registrable domain (for an IP address: that address
// alone), with names and values that a cookies file can hold (no tabs, line breaks or other control
// characters).
std::vector<platform::BrowserCookie> cookiesForResolver(const std::vector<platform::BrowserCookie>& cookies,
                                                        const std::string& host, std::int64_t now);

// The text of a Netscape-format cookies file holding `cookies`.
std::string netscapeCookieText(const std::vector<platform::BrowserCookie>& cookies);

class ResolverCookieFile {
 public:
  ResolverCookieFile() = default;
  ~ResolverCookieFile();  // the file and its folder go
  ResolverCookieFile(const ResolverCookieFile&) = delete;
  ResolverCookieFile& operator=(const ResolverCookieFile&) = delete;

  // Writes `cookies` to a new file in a new private folder; false, with the reason in `error` (never a
  // cookie's value), when there is no $XDG_RUNTIME_DIR or the folder or file cannot be made.
  bool write(const std::vector<platform::BrowserCookie>& cookies, std::string& error);
  const std::string& path() const { return path_; }
  const std::string& folder() const { return folder_; }
  // Removes the file (and whatever else the resolver left in the folder) and the folder now.
  void remove();

 private:
  std::string folder_;
  std::string path_;
};

// Removes the cookie folders of earlier runs whose program no longer runs. Called whenever the resolver
// starts, before a cookies file is made.
void removeStaleResolverCookieFolders();

}  // namespace download
