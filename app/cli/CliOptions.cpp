#include "app/cli/CliOptions.h"

#include "common/AudioFormats.h"
#include "common/Text.h"
#include "resources/Translations.h"

#include <algorithm>
#include <array>

namespace cli {
namespace {

// Reads the options one argument at a time. An option's value comes in the same argument ("-oDIR",
// "--output=DIR") or in the next one.
class Parser {
 public:
  Parser(const std::vector<std::string>& args, std::string& error) : args_(args), error_(error) {}

  std::optional<CliOptions> run() {
    bool optionsEnded = false;
    for (i_ = 0; i_ < args_.size(); ++i_) {
      const std::string& arg = args_[i_];
      if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
        options_.items.push_back(arg);
      } else if (arg == "--") {
        optionsEnded = true;
      } else if (arg.compare(0, 2, "--") == 0) {
        if (!longOption(arg.substr(2))) return std::nullopt;
      } else if (!shortOptions(arg.substr(1))) {
        return std::nullopt;
      }
    }
    if (options_.help || options_.version) return options_;
    if (options_.items.empty() && options_.listFiles.empty())
      return fail(resources::translate("CliOptions", "no video page address or local file given"));
    return options_;
  }

 private:
  std::nullopt_t fail(const std::string& why) {
    error_ = why;
    return std::nullopt;
  }
  bool reject(const std::string& why) {
    error_ = why;
    return false;
  }

  bool longOption(const std::string& body) {
    const std::size_t eq = body.find('=');
    const std::string name = body.substr(0, eq);
    const std::optional<std::string> inlineValue =
        eq == std::string::npos ? std::nullopt : std::optional<std::string>(body.substr(eq + 1));
    if (name == "output" || name == "format" || name == "archive" || name == "address-file") {
      const std::optional<std::string> value = inlineValue ? inlineValue : nextValue("--" + name);
      const char letter = name == "output" ? 'o' : name == "format" ? 'f' : name == "archive" ? 'A' : 'a';
      return value && setValue(letter, *value);
    }
    if (inlineValue)
      return reject(common::fillIn(resources::translate("CliOptions", "option --%1 takes no value"), {name}));
    static const std::array<std::pair<const char*, char>, 9> kFlags = {{{"overwrite", 'y'},
                                                                        {"no-overwrite", 'n'},
                                                                        {"quiet", 'q'},
                                                                        {"help", 'h'},
                                                                        {"version", 'V'},
                                                                        {"split-chapters", 'C'},
                                                                        {"normalize", 'N'},
                                                                        {"playlist", 'P'},
                                                                        {"no-playlist", 'S'}}};
    for (const auto& [flagName, letter] : kFlags) {
      if (name == flagName) return setFlag(letter);
    }
    return reject(common::fillIn(resources::translate("CliOptions", "unknown option --%1"), {name}));
  }

  // "-yq", "-o DIR", "-oDIR", "-qf wav".
  bool shortOptions(const std::string& letters) {
    for (std::size_t k = 0; k < letters.size(); ++k) {
      const char letter = letters[k];
      if (letter == 'o' || letter == 'f' || letter == 'a') {
        const std::optional<std::string> value = k + 1 < letters.size()
                                                     ? std::optional<std::string>(letters.substr(k + 1))
                                                     : nextValue(std::string("-") + letter);
        return value && setValue(letter, *value);
      }
      if (letter != 'y' && letter != 'n' && letter != 'q' && letter != 'h')
        return reject(common::fillIn(resources::translate("CliOptions", "unknown option -%1"),
                                     {std::string(1, letter)}));
      if (!setFlag(letter)) return false;
    }
    return true;
  }

  std::optional<std::string> nextValue(const std::string& option) {
    if (i_ + 1 >= args_.size()) {
      return fail(common::fillIn(resources::translate("CliOptions", "option %1 needs a value"), {option}));
    }
    return args_[++i_];
  }

  bool setValue(char letter, const std::string& value) {
    if (letter == 'o') {
      if (value.empty()) return reject(resources::translate("CliOptions", "the output folder is empty"));
      options_.outputFolder = value;
      return true;
    }
    if (letter == 'a') {
      if (value.empty()) return reject(resources::translate("CliOptions", "the list file's name is empty"));
      if (value == "-" &&
          std::find(options_.listFiles.begin(), options_.listFiles.end(), "-") != options_.listFiles.end())
        return reject(resources::translate("CliOptions", "standard input can be read as a list once"));
      options_.listFiles.push_back(value);
      return true;
    }
    if (letter == 'A') {
      if (value.empty() || value == "-")
        return reject(resources::translate("CliOptions", "the archive needs a file name"));
      options_.archiveFile = value;
      return true;
    }
    options_.formatIndex = common::audioFormatIndex(value);
    if (options_.formatIndex < 0)
      return reject(common::fillIn(resources::translate("CliOptions", "unknown format '%1' (%2)"),
                                   {value, common::audioFormatNames()}));
    return true;
  }

  bool setFlag(char letter) {
    switch (letter) {
      case 'y':
      case 'n': {
        const OverwritePolicy policy = letter == 'y' ? OverwritePolicy::Replace : OverwritePolicy::Keep;
        if (options_.overwrite != OverwritePolicy::Ask && options_.overwrite != policy)
          return reject(resources::translate("CliOptions", "-y and -n exclude each other"));
        options_.overwrite = policy;
        return true;
      }
      case 'q':
        options_.quiet = true;
        return true;
      case 'h':
        options_.help = true;
        return true;
      case 'C':
        options_.splitChapters = true;
        return true;
      case 'N':
        options_.evenLoudness = true;
        return true;
      case 'P':
      case 'S': {
        const PlaylistChoice choice = letter == 'P' ? PlaylistChoice::All : PlaylistChoice::VideoOnly;
        if (options_.playlist != PlaylistChoice::Ask && options_.playlist != choice)
          return reject(
              resources::translate("CliOptions", "--playlist and --no-playlist exclude each other"));
        options_.playlist = choice;
        return true;
      }
      default:
        options_.version = true;
        return true;
    }
  }

  const std::vector<std::string>& args_;
  std::string& error_;
  std::size_t i_ = 0;
  CliOptions options_;
};

}  // namespace

std::optional<CliOptions> parseCliOptions(const std::vector<std::string>& args, std::string& error) {
  error.clear();
  return Parser(args, error).run();
}

std::string usageText() {
  // The format names, wrapped under the option's column.
  std::string formats;
  std::size_t lineLength = 0;
  for (const common::AudioFormat& format : common::audioFormats()) {
    const std::string name = std::string(format.name);
    if (!formats.empty()) {
      if (lineLength + name.size() + 3 > 54) {
        formats += " |\n                        ";
        lineLength = 0;
      } else {
        formats += " | ";
        lineLength += 3;
      }
    }
    formats += name;
    lineLength += name.size();
  }
  // One text for translators, the format names (which are not translated) in place of %1.
  const std::string usage = resources::translate(
      "CliOptions",
      "Usage: clipwave-cli [options] ADDRESS|FILE...\n"
      "       clipwave-cli [options] -a LIST [ADDRESS|FILE...]\n"
      "Turns the video of each page address, or each local video file, into an audio file.\n"
      "\n"
      "  -o, --output DIR      output folder (default: the folder the window last used);\n"
      "                        created when it does not exist\n"
      "  -f, --format NAME     %1\n"
      "                        (default: the format the window last used); original keeps the\n"
      "                        video's audio as it is, in its codec's own file type\n"
      "      --split-chapters  a video with chapters becomes a folder of one file per chapter\n"
      "      --normalize       bring the audio to one loudness (-14 LUFS, peaks at most -1 dBTP)\n"
      "  -a, --address-file LIST\n"
      "                        also the addresses and files of the text file LIST, one per line\n"
      "                        (blank lines and lines starting with # are skipped, repeats taken\n"
      "                        once); - reads the list from standard input\n"
      "      --playlist        a page that holds a list of videos: convert all of them, in order,\n"
      "                        with track numbers and the list's title as album\n"
      "      --no-playlist     a page that holds a list: convert the page's video alone\n"
      "      --archive FILE    skip the items FILE lists as finished, and add each item that\n"
      "                        ends well to it (a line: the page address or the file's absolute\n"
      "                        path, a tab, the format's name)\n"
      "  -y, --overwrite       replace existing output files without asking\n"
      "  -n, --no-overwrite    keep existing output files; that item fails\n"
      "  -q, --quiet           no progress display, only errors\n"
      "  -h, --help            this text\n"
      "      --version         the program's version\n"
      "\n"
      "Without -y or -n an existing output file is asked about on the terminal, and kept when there is\n"
      "no terminal. Without --playlist or --no-playlist a list is asked about on the terminal, and\n"
      "without one the page's video alone is converted. When the list comes from standard input,\n"
      "questions are asked on /dev/tty, or answered as without a terminal.\n"
      "Exit status: 0 when every item ended as it should (skipped ones included), 1 when any failed\n"
      "or a line of a list could not be read, 2 for a usage error, 130 after Ctrl-C, 143 after\n"
      "SIGTERM.\n");
  return common::fillIn(usage, {formats});
}

}  // namespace cli
