// Whether a page holds one video or a list of them, asked of the outside resolver once: `yt-dlp
// --flat-playlist -J` lists a playlist's entries without reading each video, and describes a single video as
// it would without the flag. The run goes through ResolverProcess (argument vector, no shell, pipes read
// while the event loop runs, a time limit), so Stop ends it at once. The answer is read by
// readPlaylistOutput: a bounded reader that keeps at most kMaxPlaylistEntries entries, each with a web
// address.
//
// Only addresses that may hold a list are asked (mayHoldPlaylist): a single video's address goes to the job
// as before, without the extra run.
#pragma once

#include "download/sites/ResolverProcess.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace download {

// The most entries taken from one list; the rest are left out (PlaylistAnswer::leftOut counts them).
constexpr std::size_t kMaxPlaylistEntries = 10'000;
// The longest title kept (a list's or an entry's), in bytes.
constexpr std::size_t kMaxPlaylistTitle = 1000;

struct PlaylistEntry {
  std::string url;    // a web address (http: or https:)
  std::string title;  // as the site gives it, control characters removed; may be empty
};

struct PlaylistAnswer {
  enum class Status {
    Video,     // the page is one video
    Playlist,  // the page is a list: `entries` in their order, `title` the list's name
    Failed,    // the resolver could not tell; `message` says why
  };
  Status status = Status::Failed;
  std::string title;
  std::vector<PlaylistEntry> entries;
  std::size_t leftOut = 0;  // entries past kMaxPlaylistEntries, or without a web address
  std::string message;
};

// True for a page address that may hold a list: a web address with a "list" parameter in its query, or a
// path part named "playlist", "playlists", "sets" or "album".
bool mayHoldPlaylist(const std::string& address);

// Reads what `yt-dlp --flat-playlist -J` printed.
PlaylistAnswer readPlaylistOutput(const std::string& output);

class PlaylistProbe {
 public:
  using Done = std::function<void(PlaylistAnswer answer)>;

  PlaylistProbe() = default;
  ~PlaylistProbe();  // a run still going is ended
  PlaylistProbe(const PlaylistProbe&) = delete;
  PlaylistProbe& operator=(const PlaylistProbe&) = delete;

  // Asks the resolver about `page`; `done` once, later, from the event loop, unless stop() comes first.
  void start(const std::string& page, Done done);
  void stop();
  bool running() const { return process_.running(); }

 private:
  void onEnded(const ProcessRun& run);

  std::string page_;
  Done done_;
  ResolverProcess process_;
};

}  // namespace download
