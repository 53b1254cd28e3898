// What clipwave-cli is to convert: the items of its command line, then those of its -a lists, each taken
// once; and the finished list of --archive, a text file of one line per item that ended well.
#pragma once

#include "app/cli/CliOptions.h"
#include "app/cli/Terminal.h"

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace cli {

struct CliItem {
  std::string text;  // a page address or a local file, as given
  // An entry of a playlist: its place, the list's length and title (the audio file's tags). An entry is
  // never asked about as a list again.
  std::optional<int> trackNumber{};
  std::optional<int> trackCount{};
  std::string album{};
  bool listChecked = false;  // already asked whether it holds a list (or an entry of one)
};

struct CliItems {
  std::vector<CliItem> items;
  bool listFailed = false;  // a list could not be read, or a line of one was left out (named on `terminal`)
  bool readStdin = false;   // a list came from standard input
};

// The command line's items, then each list's entries, in order; an item given twice is taken once. Lines
// a list cannot hold are named on `terminal` with the list's name and the line's number.
CliItems collectItems(const CliOptions& options, Terminal& terminal);

// The finished list of --archive: "SOURCE<tab>FORMAT" lines, SOURCE a page address or a file's absolute
// path, FORMAT a format's name. Lines that are not of that form are ignored (and kept in the file).
class FinishedArchive {
 public:
  static constexpr std::size_t kMaxFile = 64 * 1024 * 1024;
  static constexpr std::size_t kMaxLine = 16 * 1024;

  // Reads the file; one that does not exist yet is an empty list. False, with `error`, when it cannot be
  // read.
  bool load(const std::string& path, std::string& error);
  bool holds(const std::string& source, const std::string& format) const;
  // Appends the item's line at once (the file is made when missing). False, with `error`, when it cannot
  // be written; a source or format with a tab or a line break cannot be kept in the file and is not added.
  bool add(const std::string& source, const std::string& format, std::string& error);

 private:
  std::string path_;
  bool needsLineBreak_ = false;  // the file's last line has no line break yet
  std::unordered_set<std::string> lines_;
};

// The key of a local file in the archive: its absolute path, without "." and ".." parts.
std::string archiveFileKey(const std::string& file);

}  // namespace cli
