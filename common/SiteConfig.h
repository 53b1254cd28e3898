// The host names of the three video sites and the addresses built from them, in one place.
//
// The defaults are the real sites. An optional file "sites.ini" beside settings.ini (or the file named
// by the environment variable CLIPWAVE_SITES_FILE) overrides them, so the program can be pointed at a
// mirror or at a local simulator such as 127.0.0.1:8080. The file has one section, [Sites]:
//
//   [Sites]
//   YouTubeDomain=127.0.0.1:8080        ; the address rules search for these three texts
//   MetacafeDomain=127.0.0.1:8081
//   GoogleDomain=127.0.0.1:8082
//   YouTubeHost=127.0.0.1:8080          ; the watch pages and the stream service
//   MetacafeFileHost=127.0.0.1:8081     ; the item files of the Metacafe site
//   MetacafeHost=127.0.0.1:8081         ; the Metacafe www host inside the item-file prefix
//   GoogleVideoPlayerHost=127.0.0.1:8082
//   StreamCachePrefix=http://127.0.0.1:8083/
//   ExampleWatchUrl=http://127.0.0.1:8080/watch?v=abc
//
// Every key is optional. A host left out follows its site's domain when that domain is configured
// (a mirror serves its own pages), and keeps the real site's host otherwise; the example address
// follows the YouTube host. Values must be non-empty and free of blanks and control characters;
// other values are reported and ignored.
#pragma once

#include <string>
#include <vector>

namespace common {

struct SiteConfig {
  std::string YouTubeDomain = "youtube.com";
  std::string MetacafeDomain = "metacafe.com";
  std::string GoogleDomain = "google.com";
  std::string YouTubeHost = "www.youtube.com";
  std::string MetacafeFileHost = "v.mccont.com";
  std::string MetacafeHost = "www.metacafe.com";
  std::string GoogleVideoPlayerHost = "vp.video.google.com";
  // Copied addresses that begin with this text (any letter case) are stream addresses, not pages.
  std::string StreamCachePrefix = "http://cache.youtube.com";
  std::string ExampleWatchUrl = "http://www.youtube.com/watch?v=Xq0TXIuQ5zk";

  // "http://" + YouTubeHost + "/watch?v=": the single-video watch page, up to the identifier.
  std::string CanonicalWatchPrefix() const { return "http://" + YouTubeHost + "/watch?v="; }

  // The configuration in use: the one set by SetCurrent, else the file found at the first call
  // (SitesFilePath), else the defaults. Safe to call from any thread.
  static SiteConfig Current();
  // Replaces the configuration in use (tests, or a program that loads another file).
  static void SetCurrent(const SiteConfig& config);
  // Forgets the configuration in use; the next Current() reads the file again.
  static void Reset();

  // CLIPWAVE_SITES_FILE when set, else "sites.ini" in the folder of settings.ini.
  static std::string SitesFilePath();
};

// The result of reading a sites file: the configuration and what was wrong with the file.
struct SiteConfigLoad {
  SiteConfig config;
  bool found = false;               // the file existed and could be read
  std::vector<std::string> errors;  // one line per rejected entry; the entry keeps its default
};

// Reads a sites file. A missing file gives the defaults and found == false.
SiteConfigLoad LoadSiteConfigFile(const std::string& path);
// Applies the text of a sites file to the defaults (at most 64 KiB of it are read).
SiteConfigLoad ParseSiteConfig(const std::string& text);

}  // namespace common
