// The program as installed by `cmake --install` into a folder of the test's own, run on an X display of
// the test's own and worked with the mouse and the keyboard: the installed layout, a local file converted
// by the installed program, and SIGTERM, SIGINT and SIGHUP while idle, during a conversion and during a
// download (the settings written, the part downloaded kept, no process left behind).
#include "desktop/DesktopSupport.h"
#include "platform/IniFile.h"
#include "platform/browser/WebEngineModule.h"
#include "support/SiteSimulator.h"

#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testing_support::eventually;
using testing_support::InstalledCopy;
using testing_support::ProgramRun;
using testing_support::TempDir;
using testing_support::VirtualDisplay;

// Where the main window's controls are, in its client area (the window's design values).
constexpr int kAddressX = 108, kAddressY = 92;  // the address edit, and the local file edit in its place
constexpr int kStartX = 165, kStartY = 310;
constexpr int kExitX = 353, kExitY = 310;
const char* const kTitle = "Karvel Clipwave";

std::string settingsFor(const std::string& outputFolder, int mode) {
  return "[Options]\nOutputDirectory=" + outputFolder + "\nRadioButton=" + std::to_string(mode) +
         "\nConvertFormat=1\n";
}

// What the program saved: the output folder, the mode and the format.
struct Saved {
  std::string outputFolder;
  int mode = -2;
  int format = -2;
  bool operator==(const Saved&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Saved& saved) {
  return out << "{" << saved.outputFolder << ", mode " << saved.mode << ", format " << saved.format << "}";
}
Saved savedIn(const std::string& file) {
  if (!fs::exists(file)) return {};
  const platform::IniFile ini(file);
  return {ini.readString("Options", "OutputDirectory", "?"), ini.readInteger("Options", "RadioButton", -1),
          ini.readInteger("Options", "ConvertFormat", -1)};
}

// The files directly in `folder`, with their sizes.
std::vector<std::pair<std::string, std::uintmax_t>> filesIn(const std::string& folder) {
  std::vector<std::pair<std::string, std::uintmax_t>> files;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.is_regular_file()) files.emplace_back(entry.path().filename().string(), entry.file_size());
  std::sort(files.begin(), files.end());
  return files;
}

class DesktopProgramTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(copy_.ok()) << copy_.log(); }

  // Starts the program on the display; the window must come up.
  void start(ProgramRun& run) {
    ASSERT_FALSE(display_.name().empty()) << "Xvfb did not start";
    ASSERT_TRUE(run.start()) << run.errorOutput();
  }

  // Types `text` into the address edit (or the local file edit in its place) and presses Start.
  void startRequest(ProgramRun& run, const std::string& text) {
    display_.click(run.window(), kAddressX, kAddressY);
    display_.type(text);
    display_.click(run.window(), kStartX, kStartY);
  }

  void expectNothingLeft(ProgramRun& run) {
    const std::vector<pid_t> left = run.leftBehind();
    EXPECT_TRUE(left.empty()) << left.size() << " processes of the program outlived it";
  }

  VirtualDisplay display_;
  InstalledCopy copy_;
  TempDir work_;
};

TEST_F(DesktopProgramTest, TheInstalledLayoutHoldsAValidDesktopEntryAndTheIconsAtEachSize) {
  EXPECT_TRUE(fs::exists(copy_.program()));
  const std::string entry = copy_.path("share/applications/org.clipwave.Clipwave.desktop");
  std::string complaints;
  EXPECT_EQ(testing_support::runTool({"desktop-file-validate", entry}, &complaints), 0) << complaints;
  EXPECT_EQ(complaints, "");
  std::ifstream in(entry);
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(text.find("\nExec=clipwave\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nIcon=clipwave\n"), std::string::npos) << text;

  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    SCOPED_TRACE(size);
    const std::string file = copy_.path("share/icons/hicolor/" + std::to_string(size) + "x" +
                                        std::to_string(size) + "/apps/clipwave.png");
    const QImage icon(QString::fromStdString(file));
    ASSERT_FALSE(icon.isNull()) << file;
    EXPECT_EQ(icon.size(), QSize(size, size));
    EXPECT_GT(qAlpha(icon.pixel(size / 2, size / 2)), 0) << "the picture is drawn, not empty";
  }
  // The desktop finds the icon by the entry's name in the installed theme folder. The theme's description
  // (index.theme) belongs to the theme's own package: a copy of it is laid beside.
  TempDir theme;
  fs::create_directory(theme.file("hicolor"));
  fs::copy_file("/usr/share/icons/hicolor/index.theme", theme.file("hicolor/index.theme"));
  QIcon::setThemeSearchPaths(
      {QString::fromStdString(copy_.path("share/icons")), QString::fromStdString(theme.path())});
  QIcon::setThemeName(QStringLiteral("hicolor"));
  const QIcon themed = QIcon::fromTheme(QStringLiteral("clipwave"));
  EXPECT_FALSE(themed.isNull());
  EXPECT_EQ(themed.pixmap(48).width(), 48);

  // The module sits in the library folder's clipwave/, where the program looks for it.
  if (!CLIPWAVE_HAVE_WEBENGINE) GTEST_SKIP() << "built without the web engine module";
  std::vector<std::string> modules;
  for (const auto& file : fs::recursive_directory_iterator(copy_.path("lib")))
    if (file.path().filename() == platform::kWebEngineModuleFile) modules.push_back(file.path().string());
  ASSERT_EQ(modules.size(), 1u);
  EXPECT_EQ(fs::path(modules[0]).parent_path().filename(), "clipwave");
}

TEST(DebianPackage, DependsOnTheConverterAndTheLibrariesAndHoldsTheInstalledLayout) {
  TempDir folder;
  std::string log;
  ASSERT_EQ(
      testing_support::runTool({CLIPWAVE_CPACK_COMMAND, "-G", "DEB", "--config",
                                testing_support::buildDir() + "/CPackConfig.cmake", "-B", folder.path()},
                               &log, std::chrono::seconds(240)),
      0)
      << log;
  std::string package;
  for (const auto& entry : fs::directory_iterator(folder.path()))
    if (entry.path().extension() == ".deb") package = entry.path().string();
  ASSERT_FALSE(package.empty()) << log;

  std::string depends;
  testing_support::runTool({"dpkg-deb", "--field", package, "Depends"}, &depends);
  std::vector<std::string> needed = {"ffmpeg", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libssl3"};
  if (CLIPWAVE_HAVE_WEBENGINE) {
    needed.push_back("libqt6webenginecore6");
    needed.push_back("libqt6webenginecore6-bin");  // the engine's helper process, which nothing links
  }
  for (const std::string& name : needed) {
    EXPECT_TRUE(depends.find(name + ",") != std::string::npos ||
                depends.find(name + " ") != std::string::npos ||
                depends.find(name + "\n") != std::string::npos)
        << name << " missing from: " << depends;
  }

  std::string suggests;
  testing_support::runTool({"dpkg-deb", "--field", package, "Suggests"}, &suggests);
  EXPECT_EQ(suggests, "yt-dlp\n");

  std::string contents;
  testing_support::runTool({"dpkg-deb", "--contents", package}, &contents);
  std::vector<std::string> files = {"./usr/bin/clipwave",
                                    "./usr/bin/clipwave-cli",
                                    "./usr/share/applications/org.clipwave.Clipwave.desktop",
                                    "./usr/share/metainfo/org.clipwave.Clipwave.metainfo.xml",
                                    "./usr/share/icons/hicolor/256x256/apps/clipwave.png",
                                    "./usr/share/man/man1/clipwave.1.gz",
                                    "./usr/share/man/man1/clipwave-cli.1.gz",
                                    "./usr/share/bash-completion/completions/clipwave-cli",
                                    "./usr/share/zsh/vendor-completions/_clipwave-cli",
                                    "./usr/share/fish/vendor_completions.d/clipwave-cli.fish"};
  if (CLIPWAVE_HAVE_WEBENGINE) files.push_back("./usr/lib/clipwave/clipwave-webengine.so");
  for (const std::string& file : files)
    EXPECT_NE(contents.find(" " + file + "\n"), std::string::npos) << file;
}

TEST_F(DesktopProgramTest, TheInstalledProgramConvertsALocalFileAndKeepsItsSettingsWithTheUser) {
  const std::string output = work_.file("out");
  fs::create_directory(output);
  const std::string video = work_.file("clip.flv");
  ASSERT_TRUE(testing_support::makeVideo(video, 2));
  ProgramRun run(copy_, display_);
  run.writeSettings(settingsFor(output, 1));
  start(run);

  startRequest(run, video);
  const std::string audio = output + "/clip.mp3";
  // Done: the audio file is there, the converter has ended and the download window has closed.
  ASSERT_TRUE(eventually([&] {
    return fs::exists(audio) && run.children("ffmpeg").empty() && display_.countWindows(kTitle) == 1;
  })) << run.errorOutput();
  EXPECT_EQ(testing_support::mappedPathOf(run.pid(), platform::kWebEngineModuleFile), "")
      << "a local file loaded the web engine";

  display_.click(run.window(), kExitX, kExitY);
  EXPECT_EQ(run.waitForExit(), 0) << run.errorOutput();
  std::string codec;
  testing_support::runTool({"ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries",
                            "stream=codec_name", "-of", "default=noprint_wrappers=1:nokey=1", audio},
                           &codec);
  EXPECT_EQ(codec, "mp3\n");
  EXPECT_EQ(savedIn(run.settingsFile()), (Saved{output, 1, 1}));
  EXPECT_FALSE(fs::exists(copy_.path("bin/settings.ini"))) << "the installed copy wrote beside itself";
  expectNothingLeft(run);
}

TEST_F(DesktopProgramTest, EachSignalWhileIdleClosesTheProgramAsTheCloseBox) {
  for (int number : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(number));
    ProgramRun run(copy_, display_);
    start(run);
    EXPECT_EQ(run.signalAndWait(number), 0) << run.errorOutput();
    // No settings file before: the defaults are written, the output folder being the home folder, as the
    // user has no music folder.
    EXPECT_EQ(savedIn(run.settingsFile()), (Saved{run.home() + "/", 0, 1}));
    expectNothingLeft(run);
  }
}

TEST_F(DesktopProgramTest, SigtermDuringAConversionEndsTheConverter) {
  const std::string output = work_.file("out");
  fs::create_directory(output);
  // The converter reads a pipe the test holds open and never finishes: it runs until it is ended.
  const std::string video = work_.file("endless.flv");
  ASSERT_EQ(::mkfifo(video.c_str(), 0600), 0);
  const int writer = ::open(video.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  ProgramRun run(copy_, display_);
  run.writeSettings(settingsFor(output, 1));
  start(run);

  startRequest(run, video);
  ASSERT_TRUE(eventually([&] { return !run.children("ffmpeg").empty(); })) << run.errorOutput();
  EXPECT_EQ(run.signalAndWait(SIGTERM), 0) << run.errorOutput();
  ::close(writer);
  expectNothingLeft(run);
  EXPECT_EQ(savedIn(run.settingsFile()), (Saved{output, 1, 1}));
}

TEST_F(DesktopProgramTest, SigtermDuringADownloadKeepsThePartAndLeavesNoProcessBehind) {
  if (!CLIPWAVE_HAVE_WEBENGINE) GTEST_SKIP() << "built without the web engine module";
  const std::string output = work_.file("out");
  fs::create_directory(output);
  const testing_support::SiteSimulator sites(work_.path());
  ASSERT_TRUE(sites.ready()) << "the site simulator did not start";
  ProgramRun run(copy_, display_);
  run.setEnv("CLIPWAVE_SITES_FILE", sites.sitesFile());
  // The graphics libraries the engine brings are unloaded before the program ends, leaving allocations the
  // leak checker cannot name: in a sanitizer build only the address checks stay on for this run.
  run.addSanitizerOption("detect_leaks=0");
  run.writeSettings(settingsFor(output, 0));
  start(run);

  // The stream sends half the video, then holds the connection: the download runs until it is ended.
  startRequest(run, sites.site("youtube") + "/watch?v=clip-stall");
  // The page loads the module from the installed layout, then the video arrives slowly.
  std::string module;
  ASSERT_TRUE(eventually([&] {
    module = testing_support::mappedPathOf(run.pid(), platform::kWebEngineModuleFile);
    return !module.empty();
  })) << run.errorOutput();
  EXPECT_EQ(module.rfind(copy_.path("lib/"), 0), 0u) << module;
  ASSERT_TRUE(eventually([&] { return sites.logged("holding the connection"); })) << run.errorOutput();
  // The video is written to its part, with the record that lets a later download continue it beside it.
  // (The record is written under a temporary name and renamed: only its final name counts.)
  ASSERT_TRUE(eventually([&] {
    const auto files = filesIn(output);
    return files.size() == 2 && files[1].first.ends_with(".part.info");
  })) << "the video is being written";
  const std::string video = filesIn(output)[0].first;
  EXPECT_TRUE(video.ends_with(".flv.part")) << video;
  EXPECT_EQ(filesIn(output)[1].first, video + ".info");
  EXPECT_FALSE(run.children("QtWebEngineProc").empty()) << "the engine's helpers run meanwhile";

  EXPECT_EQ(run.signalAndWait(SIGTERM), 0) << run.errorOutput();
  expectNothingLeft(run);
  EXPECT_EQ(run.errorOutput().find("initialized from a plugin"), std::string::npos)
      << "the engine found no shared graphics context:\n"
      << run.errorOutput();
  const auto files = filesIn(output);
  ASSERT_EQ(files.size(), 2u) << "only the part of the video and its record, no audio file";
  EXPECT_EQ(files[0].first, video);
  EXPECT_GT(files[0].second, 0u) << "what was received is lost";
  EXPECT_LT(files[0].second, sites.clipBytes("flv"));
  EXPECT_EQ(savedIn(run.settingsFile()), (Saved{output, 0, 1}));
}

}  // namespace
