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
  std::string youTubeDomain = "youtube.com";
  std::string metacafeDomain = "metacafe.com";
  std::string googleDomain = "google.com";
  std::string youTubeHost = "www.youtube.com";
  std::string metacafeFileHost = "v.mccont.com";
  std::string metacafeHost = "www.metacafe.com";
  std::string googleVideoPlayerHost = "vp.video.google.com";
  // Copied addresses that begin with this text (any letter case) are stream addresses, not pages.
  std::string streamCachePrefix = "http://cache.youtube.com";
  std::string exampleWatchUrl = "http://www.youtube.com/watch?v=Xq0TXIuQ5zk";

  // "http://" + youTubeHost + "/watch?v=": the single-video watch page, up to the identifier.
  std::string canonicalWatchPrefix() const { return "http://" + youTubeHost + "/watch?v="; }

  // The configuration in use: the one set by setCurrent, else the file found at the first call
  // (sitesFilePath), else the defaults. Safe to call from any thread.
  static SiteConfig current();
  // Replaces the configuration in use (tests, or a program that loads another file).
  static void setCurrent(const SiteConfig& config);
  // Forgets the configuration in use; the next current() reads the file again.
  static void reset();

  // CLIPWAVE_SITES_FILE when set, else "sites.ini" in the folder of settings.ini.
  static std::string sitesFilePath();
};

// The result of reading a sites file: the configuration and what was wrong with the file.
struct SiteConfigLoad {
  SiteConfig config;
  bool found = false;               // the file existed and could be read
  std::vector<std::string> errors;  // one line per rejected entry; the entry keeps its default
};

// Reads a sites file. A missing file gives the defaults and found == false.
SiteConfigLoad loadSiteConfigFile(const std::string& path);
// Applies the text of a sites file to the defaults (at most 64 KiB of it are read).
SiteConfigLoad parseSiteConfig(const std::string& text);

}  // namespace common
