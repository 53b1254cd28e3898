// The converter's command: the command-line text as the program shows it, and the same words as
// the argument vector the child is started with (never re-parsed, never given to a shell).
#pragma once

#include <string>
#include <vector>

namespace convert {

// What the audio file says of itself, in the tags of its format (ID3v2 in MP3, the RIFF INFO list in
// WAV, ASF in WMA): empty texts are left out.
struct AudioTags {
  std::string title;
  std::string comment;
};

struct ConverterCommand {
  // "ffmpeg -nostdin [-y ]-i \"INPUT\" ARGUMENTS[-metadata \"title=TITLE\" ][-metadata \"comment=COMMENT\" ]
  // \"OUTPUT\"", built by plain concatenation; nothing escaped.
  std::string text;
  // "ffmpeg", "-nostdin", ["-y"], "-i", INPUT, the blank-separated words of ARGUMENTS, ["-metadata",
  // "title=TITLE"], ["-metadata", "comment=COMMENT"], OUTPUT. A tag is one word whatever it holds. The paths
  // are absolute, so a name that starts with '-' is never taken for an option, and a bit rate given as
  // "128kbit/s" is passed as "128k", the unit the converter accepts. "-nostdin": the converter never
  // reads its standard input, so no question of its own can wait there.
  std::vector<std::string> words;
};

// `inputOptions` go right before "-i" (options of a network input: request fields, cookies, certificate
// checks, a time limit); an http: or https: input is given as it is. In `text` the values of "-headers"
// and "-cookies" are hidden: they may hold a sign-in.
ConverterCommand makeConverterCommand(const std::string& input, const std::string& output,
                                      const std::string& arguments, bool overwrite,
                                      const AudioTags& tags = {},
                                      const std::vector<std::string>& inputOptions = {});

// A name for the converter's temporary output beside `output`: a hidden file in the same folder with
// the same extension (the converter picks the format from it) that no file has now.
std::string partialOutputName(const std::string& output);

}  // namespace convert
