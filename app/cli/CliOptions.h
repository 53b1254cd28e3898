// The command line of clipwave-cli: what it asks for, read from its arguments.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

// What to do when the audio file of an item exists already.
enum class OverwritePolicy {
  Ask,      // ask on the terminal; without one, keep the file (the item fails)
  Replace,  // -y
  Keep,     // -n: keep the file; the item fails
};

// What to do with a page address that holds a list of videos.
enum class PlaylistChoice {
  Ask,        // ask on the terminal; without one, the video alone
  All,        // --playlist: every video of the list, in its order
  VideoOnly,  // --no-playlist: the video of the address alone
};

struct CliOptions {
  std::string outputFolder;  // empty: the folder the window last used
  int formatIndex = -1;      // an index of common::audioFormats(); -1: the format the window last used
  OverwritePolicy overwrite = OverwritePolicy::Ask;
  bool splitChapters = false;  // --split-chapters (the window's setting is not read)
  bool evenLoudness = false;   // --normalize (the window's setting is not read)
  PlaylistChoice playlist = PlaylistChoice::Ask;
  std::string archiveFile;  // --archive FILE: the finished list; empty: none
  bool quiet = false;
  bool help = false;
  bool version = false;
  std::vector<std::string> items;  // page addresses and local files, in order
  // -a FILE, in order: lists of addresses and files, read after the items above ("-": standard input).
  std::vector<std::string> listFiles;
};

// The arguments (without the program name) as options, or the usage error in `error`, one line
// without the program's name.
std::optional<CliOptions> parseCliOptions(const std::vector<std::string>& args, std::string& error);

// The --help text.
std::string usageText();

}  // namespace cli
