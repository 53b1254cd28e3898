#include "app/cli/CliOptions.h"

#include "common/AudioFormats.h"

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
    if (options_.items.empty()) return fail("no video page address or local file given");
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
    if (name == "output" || name == "format") {
      const std::optional<std::string> value = inlineValue ? inlineValue : nextValue("--" + name);
      return value && setValue(name == "output" ? 'o' : 'f', *value);
    }
    if (inlineValue) return reject("option --" + name + " takes no value");
    static const std::array<std::pair<const char*, char>, 7> kFlags = {{{"overwrite", 'y'},
                                                                        {"no-overwrite", 'n'},
                                                                        {"quiet", 'q'},
                                                                        {"help", 'h'},
                                                                        {"version", 'V'},
                                                                        {"split-chapters", 'C'},
                                                                        {"normalize", 'N'}}};
    for (const auto& [flagName, letter] : kFlags) {
      if (name == flagName) return setFlag(letter);
    }
    return reject("unknown option --" + name);
  }

  // "-yq", "-o DIR", "-oDIR", "-qf wav".
  bool shortOptions(const std::string& letters) {
    for (std::size_t k = 0; k < letters.size(); ++k) {
      const char letter = letters[k];
      if (letter == 'o' || letter == 'f') {
        const std::optional<std::string> value = k + 1 < letters.size()
                                                     ? std::optional<std::string>(letters.substr(k + 1))
                                                     : nextValue(std::string("-") + letter);
        return value && setValue(letter, *value);
      }
      if (letter != 'y' && letter != 'n' && letter != 'q' && letter != 'h')
        return reject(std::string("unknown option -") + letter);
      if (!setFlag(letter)) return false;
    }
    return true;
  }

  std::optional<std::string> nextValue(const std::string& option) {
    if (i_ + 1 >= args_.size()) {
      return fail("option " + option + " needs a value");
    }
    return args_[++i_];
  }

  bool setValue(char letter, const std::string& value) {
    if (letter == 'o') {
      if (value.empty()) return reject("the output folder is empty");
      options_.outputFolder = value;
      return true;
    }
    options_.formatIndex = common::audioFormatIndex(value);
    if (options_.formatIndex < 0)
      return reject("unknown format '" + value + "' (" + common::audioFormatNames() + ")");
    return true;
  }

  bool setFlag(char letter) {
    switch (letter) {
      case 'y':
      case 'n': {
        const OverwritePolicy policy = letter == 'y' ? OverwritePolicy::Replace : OverwritePolicy::Keep;
        if (options_.overwrite != OverwritePolicy::Ask && options_.overwrite != policy)
          return reject("-y and -n exclude each other");
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
  return "Usage: clipwave-cli [options] ADDRESS|FILE...\n"
         "Turns the video of each page address, or each local video file, into an audio file.\n"
         "\n"
         "  -o, --output DIR      output folder (default: the folder the window last used);\n"
         "                        created when it does not exist\n"
         "  -f, --format NAME     " +
         formats +
         "\n"
         "                        (default: the format the window last used); original keeps the\n"
         "                        video's audio as it is, in its codec's own file type\n"
         "      --split-chapters  a video with chapters becomes a folder of one file per chapter\n"
         "      --normalize       bring the audio to one loudness (-14 LUFS, peaks at most -1 dBTP)\n"
         "  -y, --overwrite       replace existing output files without asking\n"
         "  -n, --no-overwrite    keep existing output files; that item fails\n"
         "  -q, --quiet           no progress display, only errors\n"
         "  -h, --help            this text\n"
         "      --version         the program's version\n"
         "\n"
         "Without -y or -n an existing output file is asked about on the terminal, and kept when there is\n"
         "no terminal. Exit status: 0 when every item ended as it should, 1 when any failed, 2 for a usage\n"
         "error, 130 after Ctrl-C, 143 after SIGTERM.\n";
}

}  // namespace cli
