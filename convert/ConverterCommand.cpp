#include "convert/ConverterCommand.h"

#include <filesystem>
#include <random>
#include <system_error>

namespace convert {
namespace {

constexpr const char* kProgram = "ffmpeg";

std::string absolute(const std::string& path) {
  if (path.empty() || path.front() == '/') return path;
  if (path.rfind("http://", 0) == 0 || path.rfind("https://", 0) == 0) return path;  // a network input
  if (path == "pipe:0") return path;  // the converter's standard input, which the program feeds
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(path, ec);
  return ec ? path : full.string();
}

bool endsWith(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// The format table writes bit rates as "128kbit/s"; the converter reads "128k".
std::string bitRate(std::string value) {
  if (endsWith(value, "bit/s") && value.size() > 5) value.resize(value.size() - 5);
  return value;
}

void appendArgumentWords(const std::string& arguments, std::vector<std::string>& words) {
  std::size_t start = 0;
  bool bitRateNext = false;
  while (start < arguments.size()) {
    const std::size_t blank = arguments.find(' ', start);
    const std::size_t end = blank == std::string::npos ? arguments.size() : blank;
    if (end > start) {
      std::string word = arguments.substr(start, end - start);
      words.push_back(bitRateNext ? bitRate(std::move(word)) : std::move(word));
      bitRateNext = words.back() == "-ab" || words.back() == "-b:a";
    }
    start = end + 1;
  }
}

}  // namespace

ConverterCommand makeConverterCommand(const std::string& input, const std::string& output,
                                      const std::string& arguments, bool overwrite, const ExtraWords& extra) {
  ConverterCommand command;
  const std::string in = absolute(input), out = absolute(output);
  command.text = std::string(kProgram) + " -nostdin " + (overwrite ? "-y " : "");
  command.words.push_back(kProgram);
  command.words.push_back("-nostdin");
  if (overwrite) command.words.push_back("-y");
  // The request fields and cookies of a network input are secrets: the shown text names them only.
  for (std::size_t i = 0; i < extra.beforeInput.size(); ++i) {
    const std::string& word = extra.beforeInput[i];
    const bool secret =
        i > 0 && (extra.beforeInput[i - 1] == "-headers" || extra.beforeInput[i - 1] == "-cookies");
    command.text += (secret ? std::string("(hidden)") : word) + " ";
    command.words.push_back(word);
  }
  command.text += "-i \"" + in + "\" " + arguments;
  command.words.push_back("-i");
  command.words.push_back(in);
  appendArgumentWords(arguments, command.words);
  for (const std::string& word : extra.afterArguments) {
    command.text += word + " ";
    command.words.push_back(word);
  }
  command.text += "\"" + out + "\"";
  command.words.push_back(out);
  return command;
}

std::string partialOutputName(const std::string& output) {
  const std::filesystem::path path(output);
  const std::string ext = path.extension().string();
  std::string stem = path.stem().string();
  // ".", the stem, ".partial-", six characters and the extension must stay within a file name's 255 bytes.
  const std::size_t room = 255 > ext.size() + 16 ? 255 - ext.size() - 16 : 0;
  if (stem.size() > room) stem.resize(room);
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  for (;;) {
    std::string token;
    for (int i = 0; i < 6; ++i) token.push_back(kChars[random() % (sizeof kChars - 1)]);
    const std::filesystem::path candidate = path.parent_path() / ("." + stem + ".partial-" + token + ext);
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(candidate, error)))
      return candidate.string();
  }
}

}  // namespace convert
