// The converter's command: the command-line text as the program shows it, and the same words as
// the argument vector the child is started with (never re-parsed, never given to a shell).
#pragma once

#include <string>
#include <vector>

namespace convert {

// Words a run adds to the format's arguments: a part of the input to take (input options such as "-ss",
// "-to"), and output options after the format's fragment (a filter, metadata left out). Each is one word
// whatever it holds. The tags are not among them: they are written into the finished file (tags/).
struct ExtraWords {
  std::vector<std::string> beforeInput;
  std::vector<std::string> afterArguments;
};

struct ConverterCommand {
  // "ffmpeg -nostdin [-y ][BEFORE ]-i \"INPUT\" ARGUMENTS[AFTER ]\"OUTPUT\"", built by plain concatenation;
  // nothing escaped.
  std::string text;
  // "ffmpeg", "-nostdin", ["-y"], BEFORE..., "-i", INPUT, the blank-separated words of ARGUMENTS, AFTER...,
  // OUTPUT. The paths are absolute, so a name that starts with '-' is never taken for an option, and a bit
  // rate given as "128kbit/s" is passed as "128k", the unit the converter accepts. "-nostdin": the converter
  // never reads its standard input, so no question of its own can wait there.
  std::vector<std::string> words;
};

// `extra.beforeInput` goes right before "-i" (a part of the input to take, or the options of a network input:
// request fields, cookies, certificate checks, a time limit); an http: or https: input is given as it is. In
// `text` the values of "-headers" and "-cookies" are hidden: they may hold a sign-in.
ConverterCommand makeConverterCommand(const std::string& input, const std::string& output,
                                      const std::string& arguments, bool overwrite,
                                      const ExtraWords& extra = {});

// A name for the converter's temporary output beside `output`: a hidden file in the same folder with
// the same extension (the converter picks the format from it) that no file has now.
std::string partialOutputName(const std::string& output);

}  // namespace convert
