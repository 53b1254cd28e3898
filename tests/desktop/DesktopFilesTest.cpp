// The files that make Clipwave at home on a Linux desktop, as the tools that read them see them: the
// software centres' metainfo (appstreamcli), the manual pages (groff and man with warnings on) and the
// shell completions of clipwave-cli, installed by `cmake --install` into a folder of the test's own and
// loaded from there by bash, zsh and fish. The command line's options are read from `clipwave-cli --help`
// and the format names from the format table, so that neither a new option nor a new format can be left
// out of the manual page or a completion.
#include "common/AudioFormats.h"
#include "platform/DesktopNotification.h"
#include "platform/Paths.h"
#include "resources/Strings.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QXmlStreamReader>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::TempDir;

const std::string kSourceDir = CLIPWAVE_SOURCE_DIR;
constexpr const char* kBashCompletion = "/usr/share/bash-completion/bash_completion";

struct ToolRun {
  int status = -1;  // -1: did not start, or did not end in time
  std::string out;
  std::string err;
};

// Runs a program to its end (at most 60 s) in `dir`, with `env` added to the test's environment.
ToolRun runTool(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {},
                const std::string& dir = {}) {
  QProcess tool;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const auto& [name, value] : env)
    environment.insert(QString::fromStdString(name), QString::fromStdString(value));
  tool.setProcessEnvironment(environment);
  if (!dir.empty()) tool.setWorkingDirectory(QString::fromStdString(dir));
  QStringList arguments;
  for (std::size_t i = 1; i < args.size(); ++i) arguments << QString::fromStdString(args[i]);
  tool.start(QString::fromStdString(args[0]), arguments);
  ToolRun run;
  if (!tool.waitForStarted(10000)) return run;
  tool.closeWriteChannel();
  const bool ended = tool.waitForFinished(60000);
  run.out = tool.readAllStandardOutput().toStdString();
  run.err = tool.readAllStandardError().toStdString();
  if (!ended) {
    tool.kill();
    tool.waitForFinished(5000);
    return run;
  }
  if (tool.exitStatus() == QProcess::NormalExit) run.status = tool.exitCode();
  return run;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

std::string joined(const std::set<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
  return text;
}

std::set<std::string> formatNames() {
  std::set<std::string> names;
  for (const common::AudioFormat& format : common::audioFormats()) names.insert(std::string(format.name));
  return names;
}

// One option of `clipwave-cli --help`: its spellings ("-o", "--output") and the name of its value ("DIR";
// empty for a flag).
struct CliOption {
  std::vector<std::string> spellings;
  std::string value;
};

std::string cliProgram() {
  return testing_support::buildDir() + "/clipwave-cli";
}

std::vector<CliOption> helpOptions() {
  const ToolRun help = runTool({cliProgram(), "--help"});
  EXPECT_EQ(help.status, 0) << help.err;
  // "  -o, --output DIR      ...", "      --playlist        ..." (or a short option alone): an option's
  // line starts in the option columns; the descriptions' continuation lines start further right.
  static const std::regex kLine(R"(^ {2,6}(-[A-Za-z])?(?:, )?(--[a-z][a-z-]*)?(?: ([A-Z]+))?(?: |$).*)");
  std::vector<CliOption> options;
  for (const std::string& line : lines(help.out)) {
    std::smatch match;
    if (!std::regex_match(line, match, kLine) || (!match[1].matched && !match[2].matched)) continue;
    CliOption option;
    for (int part : {1, 2})
      if (match[part].matched) option.spellings.push_back(match[part]);
    option.value = match[3];
    options.push_back(option);
  }
  return options;
}

std::set<std::string> spellingsOf(const std::vector<CliOption>& options) {
  std::set<std::string> all;
  for (const CliOption& option : options) all.insert(option.spellings.begin(), option.spellings.end());
  return all;
}

// The option words of a text: "--name" and a lone "-x" (not "-14", "-oDIR", "re-encoding" or "--").
std::set<std::string> optionWordsIn(const std::string& text) {
  static const std::regex kWord(R"((^|[\s,(\[])(--[a-z][a-z-]*[a-z]|-[A-Za-z])(?=[\s,)\]=]|$))");
  std::set<std::string> words;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), kWord); it != std::sregex_iterator(); ++it)
    words.insert((*it)[2]);
  return words;
}

// ---- the software centres ----

TEST(Metainfo, IsValidAndNamesTheDesktopEntryTheProgramsAndTheProductPage) {
  const std::string file = kSourceDir + "/packaging/org.clipwave.Clipwave.metainfo.xml";
  const ToolRun validation = runTool({"appstreamcli", "validate", "--no-net", "--no-color", file});
  EXPECT_EQ(validation.status, 0) << validation.out << validation.err;

  std::string id, launchable, version;
  std::vector<std::string> binaries, addresses;
  QXmlStreamReader xml(QByteArray::fromStdString(readFile(file)));
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    const QString name = xml.name().toString();
    if (name == "release") version = xml.attributes().value("version").toString().toStdString();
    if (name == "id") id = xml.readElementText().toStdString();
    if (name == "launchable") launchable = xml.readElementText().toStdString();
    if (name == "binary") binaries.push_back(xml.readElementText().toStdString());
    if (name == "image" || name == "url") addresses.push_back(xml.readElementText().toStdString());
  }
  ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  // One id for the metainfo, the desktop entry and the notifications.
  EXPECT_EQ(id, platform::kDesktopEntryId);
  EXPECT_EQ(launchable, platform::kDesktopEntryFile);
  EXPECT_TRUE(fs::exists(kSourceDir + "/packaging/" + launchable));
  EXPECT_EQ(binaries, (std::vector<std::string>{"clipwave", "clipwave-cli"}));
  EXPECT_EQ(version, CLIPWAVE_VERSION) << "the newest release is the program's version";
  // The home page and the screenshots sit under the product page the main window's menu opens.
  const std::string productPage = resources::loadString(resources::StringId::ProductPage);
  ASSERT_GE(addresses.size(), 3u);
  for (const std::string& address : addresses) EXPECT_EQ(address.rfind(productPage, 0), 0u) << address;
}

// ---- the manual pages ----

// A page as plain text, wide enough that no option word is broken or hyphenated; warnings in `warnings`.
std::string renderedPage(const std::string& page, std::string* warnings = nullptr) {
  const ToolRun run =
      runTool({"groff", "-man", "-ww", "-Tascii", "-P", "-cbou", "-rLL=250n", "-rHY=0", page});
  EXPECT_EQ(run.status, 0) << run.err;
  if (warnings != nullptr) *warnings = run.err;
  return run.out;
}

// The text of a rendered page's section: the lines after its heading, up to the next heading.
std::string section(const std::string& rendered, const std::string& heading) {
  std::string text;
  bool inside = false;
  for (const std::string& line : lines(rendered)) {
    const bool isHeading = !line.empty() && line[0] != ' ';
    if (isHeading)
      inside = line == heading;
    else if (inside)
      text += line + "\n";
  }
  return text;
}

TEST(ManualPages, RenderWithoutWarningsAndNameTheEnvironmentTheFilesAndTheExitStatuses) {
  // The variables the README tells users about, each named in the pages.
  const std::string readme = readFile(kSourceDir + "/README.md");
  static const std::regex kVariable(
      R"(\b(CLIPWAVE_[A-Z_]*[A-Z]|XDG_[A-Z_]*[A-Z]|SSL_CERT_[A-Z]+|[a-z]+_proxy)\b)");
  std::set<std::string> variables;
  for (auto it = std::sregex_iterator(readme.begin(), readme.end(), kVariable); it != std::sregex_iterator();
       ++it)
    variables.insert((*it)[1]);
  ASSERT_GE(variables.size(), 10u) << joined(variables);

  struct Page {
    const char* file;
    std::set<std::string> notItsOwn;  // variables of the README that the program does not read
  };
  // The queue's database is the window's: the command line keeps its finished items in --archive's file.
  const std::vector<Page> pages = {{"clipwave.1", {}}, {"clipwave-cli.1", {"XDG_DATA_HOME"}}};
  for (const Page& page : pages) {
    SCOPED_TRACE(page.file);
    const std::string path = kSourceDir + "/man/" + page.file;
    // The page's header names the program's version, as the metainfo's newest release does.
    std::string title;
    for (const std::string& line : lines(readFile(path)))
      if (line.starts_with(".TH ")) title = line;
    EXPECT_NE(title.find("\"Clipwave " CLIPWAVE_VERSION "\""), std::string::npos) << title;
    std::string warnings;
    const std::string text = renderedPage(path, &warnings);
    EXPECT_EQ(warnings, "");
    // As a user reads it: man-db's own formatting, at its usual width, with the warnings that groff -ww
    // gives (man --warnings).
    const ToolRun man =
        runTool({"man", "--warnings=w", "-l", path}, {{"MANWIDTH", "80"}, {"LC_ALL", "C.UTF-8"}});
    EXPECT_EQ(man.status, 0);
    EXPECT_EQ(man.err, "");
    EXPECT_NE(man.out.find("NAME"), std::string::npos);

    for (const char* heading :
         {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS", "ENVIRONMENT", "FILES"})
      EXPECT_FALSE(section(text, heading).empty()) << heading;
    const std::set<std::string> named = [&] {
      std::set<std::string> words;
      std::istringstream in(section(text, "ENVIRONMENT"));
      for (std::string word; in >> word;) words.insert(word.substr(0, word.find_last_not_of(",.") + 1));
      return words;
    }();
    for (const std::string& variable : variables)
      EXPECT_EQ(named.count(variable), page.notItsOwn.count(variable) == 0 ? 1u : 0u) << variable;
    EXPECT_NE(section(text, "FILES").find("settings.ini"), std::string::npos);
  }

  // clipwave-cli's exit statuses: those its --help lists, each with an entry of its own.
  const std::string help = runTool({cliProgram(), "--help"}).out;
  ASSERT_NE(help.find("Exit status:"), std::string::npos) << help;
  const std::string statusText = help.substr(help.find("Exit status:"));
  static const std::regex kStatus(R"(\b(\d+) (?:when|for|after)\b)");
  std::set<std::string> statuses;
  for (auto it = std::sregex_iterator(statusText.begin(), statusText.end(), kStatus);
       it != std::sregex_iterator(); ++it)
    statuses.insert((*it)[1]);
  ASSERT_TRUE(statuses.count("0") && statuses.count("2")) << statusText;
  std::set<std::string> documented;
  static const std::regex kEntry(R"(^ {7}(\d+) )");
  for (const std::string& line :
       lines(section(renderedPage(kSourceDir + "/man/clipwave-cli.1"), "EXIT STATUS"))) {
    std::smatch match;
    if (std::regex_search(line, match, kEntry)) documented.insert(match[1]);
  }
  EXPECT_EQ(joined(documented), joined(statuses));
}

TEST(ManualPages, TheCommandLinesPageDescribesEveryOptionAndEveryFormatAndNoOther) {
  const std::vector<CliOption> options = helpOptions();
  ASSERT_GE(options.size(), 10u);
  // Every option --help lists is one the command line takes (with a value when it names one).
  for (const CliOption& option : options) {
    for (const std::string& spelling : option.spellings) {
      std::vector<std::string> args = {cliProgram(), spelling};
      if (!option.value.empty()) args.push_back(option.value == "NAME" ? *formatNames().begin() : "x");
      args.push_back("--help");
      EXPECT_EQ(runTool(args).status, 0) << spelling << " is refused";
    }
  }
  const std::string text = section(renderedPage(kSourceDir + "/man/clipwave-cli.1"), "OPTIONS");
  EXPECT_EQ(joined(optionWordsIn(text)), joined(spellingsOf(options)));
  // Each option has its entry: a line that starts with its spellings and the name of its value.
  for (const CliOption& option : options) {
    std::string entry = "       ";
    for (const std::string& spelling : option.spellings) {
      if (spelling != option.spellings.front()) entry += ", ";
      entry += spelling + (option.value.empty() ? "" : " " + option.value);
    }
    EXPECT_NE(text.find(entry + "\n"), std::string::npos) << entry;
  }
  // Each format has its line under -f, which starts with its name.
  std::set<std::string> described;
  for (const std::string& line : lines(text)) {
    const std::size_t start = line.find_first_not_of(' ');
    if (start != std::string::npos) described.insert(line.substr(start, line.find(' ', start) - start));
  }
  for (const std::string& name : formatNames()) EXPECT_TRUE(described.count(name)) << name;
}

// ---- the installed tree: the metainfo beside the desktop entry, the shell completions ----

// The program installed into a folder of its own, the shells' home folders kept apart from the user's,
// and a working folder with a folder and a video file to complete.
class InstalledTree : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    installedPrefix = std::make_unique<TempDir>();
    const ToolRun install = runTool({CLIPWAVE_CMAKE_COMMAND, "--install", testing_support::buildDir(),
                                     "--prefix", installedPrefix->path()});
    installLog = install.out + install.err;
    installedOk = install.status == 0;
  }
  static void TearDownTestSuite() { installedPrefix.reset(); }

  void SetUp() override {
    ASSERT_TRUE(installedOk) << installLog;
    fs::create_directory(work_.file("Music folder"));
    work_.write("talk.flv", "");
    fs::create_directory(home_.file("config"));
  }

  std::map<std::string, std::string> environment() const {
    return {{"HOME", home_.path()},
            {"XDG_CONFIG_HOME", home_.file("config")},
            {"XDG_DATA_HOME", home_.file("data")},
            {"XDG_DATA_DIRS", installedPrefix->path() + "/share"},
            {"PATH", installedPrefix->path() + "/bin:" + qEnvironmentVariable("PATH").toStdString()}};
  }

  // What `shell` offers on Tab after `line` (the words before the cursor, separated by blanks), each
  // without its quoting, its folder's trailing '/' and fish's description.
  std::set<std::string> complete(const std::string& shell, const std::string& line) const {
    ToolRun run;
    if (shell == "bash") {
      // bash splits "--format=o" into "--format", "=", "o" (COMP_WORDBREAKS), and so does this.
      std::vector<std::string> words;
      std::istringstream in(line);
      for (std::string word; in >> word;) {
        const std::size_t eq = word.find('=');
        if (word.starts_with("--") && eq != std::string::npos) {
          words.push_back(word.substr(0, eq));
          words.push_back("=");
          words.push_back(word.substr(eq + 1));
        } else {
          words.push_back(word);
        }
      }
      if (line.ends_with(' ')) words.push_back("");
      // bash-completion's loader finds the script by the command's name in the installed share/.
      std::vector<std::string> args = {
          "bash",
          "--norc",
          "--noprofile",
          "-c",
          "source " + std::string(kBashCompletion) +
              "\n"
              "__load_completion clipwave-cli || exit 3\n"
              "spec=$(complete -p clipwave-cli) || exit 4\n"
              "function=${spec##*-F }; function=${function%% *}\n"
              "COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); COMP_LINE=\"$*\"\n"
              "\"$function\" clipwave-cli \"${COMP_WORDS[COMP_CWORD]}\" \"${COMP_WORDS[COMP_CWORD-1]}\"\n"
              "printf '%s\\n' \"${COMPREPLY[@]}\"",
          "bash"};
      args.insert(args.end(), words.begin(), words.end());
      run = runTool(args, environment(), work_.path());
    } else if (shell == "zsh") {
      run = runTool({"zsh", "-f", kSourceDir + "/tests/desktop/complete.zsh",
                     installedPrefix->path() + "/share/zsh/vendor-completions", line},
                    environment(), work_.path());
    } else {
      run = runTool({"fish", "-c", "complete -C $argv[1]", line}, environment(), work_.path());
    }
    EXPECT_EQ(run.status, 0) << shell << ": " << run.err;
    // The word being completed, up to its '=': fish repeats it before each candidate.
    const std::string word = line.substr(line.rfind(' ') + 1);
    const std::string repeated = word.starts_with("--") && word.find('=') != std::string::npos
                                     ? word.substr(0, word.find('=') + 1)
                                     : "";
    std::set<std::string> offered;
    for (std::string candidate : lines(run.out)) {
      candidate = candidate.substr(0, candidate.find('\t'));
      if (!repeated.empty() && candidate.starts_with(repeated)) candidate.erase(0, repeated.size());
      std::erase(candidate, '\\');
      if (candidate.size() > 1 && candidate.back() == '/') candidate.pop_back();
      if (!candidate.empty()) offered.insert(candidate);
    }
    return offered;
  }

  static std::unique_ptr<TempDir> installedPrefix;
  static bool installedOk;
  static std::string installLog;
  TempDir work_;
  TempDir home_;
};

std::unique_ptr<TempDir> InstalledTree::installedPrefix;
bool InstalledTree::installedOk = false;
std::string InstalledTree::installLog;

TEST_F(InstalledTree, ManFindsThePagesInTheirSection) {
  for (const char* page : {"clipwave", "clipwave-cli"}) {
    const ToolRun man = runTool({"man", "-M", installedPrefix->path() + "/share/man", "1", page},
                                {{"MANWIDTH", "80"}, {"LC_ALL", "C.UTF-8"}});
    EXPECT_EQ(man.status, 0) << man.err;
    EXPECT_EQ(man.out.rfind(QString::fromLatin1(page).toUpper().toStdString() + "(1)", 0), 0u) << man.out;
  }
}

TEST_F(InstalledTree, TheMetainfoIsValidBesideTheDesktopEntryItLaunches) {
  // The whole tree, as a distribution's checks read it: the metainfo finds its desktop entry and icon.
  const ToolRun validation =
      runTool({"appstreamcli", "validate-tree", "--no-net", "--no-color", installedPrefix->path()});
  EXPECT_EQ(validation.status, 0) << validation.out << validation.err;
  EXPECT_TRUE(fs::exists(installedPrefix->path() + "/share/metainfo/" +
                         std::string(platform::kDesktopEntryId) + ".metainfo.xml"));
}

TEST_F(InstalledTree, EachShellLoadsItsScriptFromItsOwnPlaceAndOffersTheOptionsFormatsFoldersAndFiles) {
  const std::vector<CliOption> options = helpOptions();
  ASSERT_GE(options.size(), 10u);
  const std::set<std::string> formats = formatNames();
  const std::set<std::string> folders = {"Music folder"};
  // Each shell that is installed (scripts/packages.txt installs all three, and bash-completion).
  std::vector<std::string> shells;
  if (fs::exists(kBashCompletion)) shells.push_back("bash");
  for (const char* shell : {"zsh", "fish"})
    if (!QStandardPaths::findExecutable(QString::fromLatin1(shell)).isEmpty()) shells.push_back(shell);
  if (shells.empty()) GTEST_SKIP() << "neither bash-completion, zsh nor fish is installed";
  if (shells.size() < 3)
    std::cout << "[ NOTE     ] completions checked in " << shells.size() << " shells only\n";
  for (const std::string& shell : shells) {
    SCOPED_TRACE(shell);
    // Every option, and none that --help does not list.
    std::set<std::string> offered = complete(shell, "clipwave-cli -");
    offered.merge(complete(shell, "clipwave-cli --"));
    EXPECT_EQ(joined(offered), joined(spellingsOf(options)));

    // Each option's value: the format table's names, a folder, or a file.
    for (const CliOption& option : options) {
      if (option.value.empty()) continue;
      for (const std::string& spelling : option.spellings) {
        SCOPED_TRACE(spelling);
        offered = complete(shell, "clipwave-cli -q " + spelling + " ");
        if (option.value == "NAME") {
          EXPECT_EQ(joined(offered), joined(formats));
        } else if (option.value == "DIR") {
          EXPECT_EQ(joined(offered), joined(folders));
        } else {
          ASSERT_TRUE(option.value == "FILE" || option.value == "LIST")
              << "what does " << option.value << " take?";
          EXPECT_TRUE(offered.count("talk.flv")) << joined(offered);
        }
      }
    }
    // The value in the option's own word; an item (a file, or an address typed by hand).
    EXPECT_EQ(joined(complete(shell, "clipwave-cli --format=o")), "ogg opus original");
    offered = complete(shell, "clipwave-cli -y ");
    EXPECT_TRUE(offered.count("talk.flv")) << joined(offered);
    EXPECT_EQ(joined(complete(shell, "clipwave-cli ta")), "talk.flv");
  }
}

}  // namespace
