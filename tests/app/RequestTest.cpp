// Start, Show Files and the local-file picker over the main window's field values, with scripted
// dialogs and a download window factory that records what it is handed.
#include "app/DownloadLauncher.h"
#include "app/StartRequest.h"
#include "common/AudioFormats.h"
#include "common/SiteConfig.h"
#include "resources/Strings.h"
#include "support/JobInputs.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QObject>
#include <QUrl>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

using ConversionRequest = download::JobInput;

// What Start hands on: the source, the mode and the format's extension and arguments.
ConversionRequest handedOn(const std::string& source, download::RequestMode mode, const std::string& ext,
                           const std::string& args) {
  return testing_support::jobInput(source, mode, std::string(), ext, args);
}
using platform::DialogButtons;
using platform::DialogIcon;
using testing_support::ScriptedDialogs;
using testing_support::TempDir;

constexpr const char* kCaption = "Karvel Clipwave";
constexpr const char* kMp3Normal = "MP3 - Normal Quality Audio (128 Kbps, Stereo)";
constexpr const char* kArgs128 = "-ar 44100 -ab 128kbit/s -ac 2 ";
constexpr const char* kMissingSuffix = ", the output directory does not exist.\r\ncreates a new directory?";

struct Dialog {
  std::string text;
  DialogIcon icon;
  DialogButtons buttons;
};

Dialog noticeOf(const std::string& text) {
  return {text, DialogIcon::Information, DialogButtons::Ok};
}

// Records every request handed to the download window.
class RecordingFactory {
 public:
  RecordingFactory()
      : scope_([this](QWidget*, const ConversionRequest& request) {
          requests_.push_back(request);
          return int(platform::ModalResult::Ok);
        }) {}
  const std::vector<ConversionRequest>& requests() const { return requests_; }

 private:
  std::vector<ConversionRequest> requests_;
  app::ScopedDownloadWindowFactory scope_;
};

class RequestTest : public testing::Test {
 protected:
  void SetUp() override { common::SiteConfig::setCurrent(common::SiteConfig()); }
  void TearDown() override { common::SiteConfig::reset(); }

  TempDir dir_;
};

enum class Folder { Exists, Missing, Empty, FileInTheWay };

TEST_F(RequestTest, StartChecksTheFieldsInOrderAndHandsOnTheRequest) {
  struct Row {
    const char* name;
    bool download;
    std::string url;
    std::string file;  // "{clip}" is a video file that exists, "{gone}" one that does not
    Folder folder;
    std::vector<int> answers;  // to the questions
    std::vector<Dialog> dialogs;
    std::optional<ConversionRequest> request;  // "{clip}" in the source as above
    int formatIndex = 1;
  };
  const std::string missing = std::string("{out}");
  const Dialog question{missing + kMissingSuffix, DialogIcon::Information, DialogButtons::YesNo};
  const Dialog exampleNotice =
      noticeOf("Please enter the url like http://www.youtube.com/watch?v=Xq0TXIuQ5zk");
  const std::vector<Row> rows = {
      {"empty address before a missing folder",
       true,
       "",
       "",
       Folder::Missing,
       {},
       {noticeOf("Please enter video URL!")},
       std::nullopt},
      {"empty local file",
       false,
       "http://www.youtube.com/watch?v=a",
       "",
       Folder::Exists,
       {},
       {noticeOf("Please select a local video file!")},
       std::nullopt},
      {"missing folder, No",
       true,
       "http://www.youtube.com/watch?v=a",
       "",
       Folder::Missing,
       {platform::ModalResult::No},
       {question},
       std::nullopt},
      {"missing folder, Yes, then a bad address",
       true,
       "http://www.youtube.com/user/a",
       "",
       Folder::Missing,
       {platform::ModalResult::Yes},
       {question, exampleNotice},
       std::nullopt},
      {"missing local file after the folder question",
       false,
       "",
       "{gone}",
       Folder::Missing,
       {platform::ModalResult::Yes},
       {question, noticeOf("Please check whether the video file exist.")},
       std::nullopt},
      {"empty folder text, Yes ends silently",
       true,
       "http://www.youtube.com/watch?v=a",
       "",
       Folder::Empty,
       {platform::ModalResult::Yes},
       {{kMissingSuffix, DialogIcon::Information, DialogButtons::YesNo}},
       std::nullopt},
      {"a file in the way ends silently",
       true,
       "http://www.youtube.com/watch?v=a",
       "",
       Folder::FileInTheWay,
       {platform::ModalResult::Yes},
       {question},
       std::nullopt},
      {"YouTube without watch",
       true,
       "http://www.youtube.com/user/someone",
       "",
       Folder::Exists,
       {},
       {exampleNotice},
       std::nullopt},
      {"Metacafe without watch",
       true,
       "http://www.metacafe.com/channels/x/",
       "",
       Folder::Exists,
       {},
       {exampleNotice},
       std::nullopt},
      {"Google needs no watch",
       true,
       "http://video.google.com/videoplay?docid=5",
       "",
       Folder::Exists,
       {},
       {},
       handedOn("http://video.google.com/videoplay?docid=5", download::RequestMode::DownloadConvert, ".mp3",
                kArgs128)},
      {"a YouTube address is normalised",
       true,
       "http://www.youtube.com/watch?feature=x&v=abc",
       "",
       Folder::Exists,
       {},
       {},
       handedOn("http://www.youtube.com/watch?v=abc", download::RequestMode::DownloadConvert, ".mp3",
                kArgs128)},
      {"created folder, then WAV",
       true,
       "http://www.youtube.com/watch?v=abc",
       "",
       Folder::Missing,
       {platform::ModalResult::Yes},
       {question},
       handedOn("http://www.youtube.com/watch?v=abc", download::RequestMode::DownloadConvert, ".wav",
                kArgs128),
       3},
      {"local file to WMA",
       false,
       "",
       "{clip}",
       Folder::Exists,
       {},
       {},
       handedOn("{clip}", download::RequestMode::ConvertLocalFile, ".wma",
                "-ar 44100 -ab 128kbit/s -ac 2 -vn -acodec wmav2 "),
       4},
      {"nothing selected in the format list",
       false,
       "",
       "{clip}",
       Folder::Exists,
       {},
       {},
       handedOn("{clip}", download::RequestMode::ConvertLocalFile, "", ""),
       -1},
  };

  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    const std::string clip = dir.write("clip.flv", "FLV");
    const auto fill = [&](std::string text, const std::string& out) {
      for (const auto& [token, value] : {std::pair<std::string, std::string>{"{clip}", clip},
                                         {"{gone}", dir.file("gone.flv")},
                                         {"{out}", out}}) {
        for (std::size_t at; (at = text.find(token)) != std::string::npos;)
          text.replace(at, token.size(), value);
      }
      return text;
    };
    std::string out;
    switch (row.folder) {
      case Folder::Exists:
        out = dir.path();
        break;
      case Folder::Missing:
        out = dir.file("music/new");
        break;
      case Folder::Empty:
        out = "";
        break;
      case Folder::FileInTheWay:
        out = dir.write("blocker", "x") + "/sub";
        break;
    }
    ScriptedDialogs dialogs;
    // Notices are answered with OK; the questions take the row's answers in turn.
    std::size_t nextAnswer = 0;
    for (const Dialog& expected : row.dialogs) {
      dialogs.answer(expected.buttons == DialogButtons::Ok ? int(platform::ModalResult::Ok)
                                                           : row.answers.at(nextAnswer++));
    }
    RecordingFactory factory;
    const app::StartInput fields{
        .source = row.download ? app::StartInput::Source::PageAddress : app::StartInput::Source::LocalFile,
        .address = row.url,
        .localFile = fill(row.file, out),
        .outputFolder = out,
        .formatIndex = row.formatIndex};
    std::string outputDir = "previous";

    app::startRequest(nullptr, fields, outputDir);

    ASSERT_EQ(dialogs.shown().size(), row.dialogs.size());
    for (std::size_t i = 0; i < row.dialogs.size(); ++i) {
      const auto& shown = dialogs.shown()[i];
      EXPECT_EQ(shown.kind, testing_support::ShownDialog::MessageBox);
      EXPECT_EQ(shown.caption, kCaption);
      EXPECT_EQ(shown.text, fill(row.dialogs[i].text, out));
      EXPECT_EQ(shown.icon, row.dialogs[i].icon);
      EXPECT_EQ(shown.buttons, row.dialogs[i].buttons);
    }
    if (row.request) {
      ASSERT_EQ(factory.requests().size(), 1u);
      const ConversionRequest& got = factory.requests().front();
      EXPECT_EQ(got.source, fill(row.request->source, out));
      EXPECT_EQ(got.outputFolder, out);
      EXPECT_EQ(got.mode, row.request->mode);
      EXPECT_EQ(got.targetExt, row.request->targetExt);
      EXPECT_EQ(got.convertArgs, row.request->convertArgs);
    } else {
      EXPECT_TRUE(factory.requests().empty());
    }
    // The folder is taken over once the address or file is known to be given, and created on Yes.
    const bool emptyInput = row.download ? row.url.empty() : row.file.empty();
    EXPECT_EQ(outputDir, emptyInput ? "previous" : out);
    if (row.folder == Folder::Missing) {
      const bool yes = !row.answers.empty() && row.answers.front() == platform::ModalResult::Yes;
      EXPECT_EQ(std::filesystem::is_directory(out), yes && !emptyInput);
    }
  }
}

TEST_F(RequestTest, AnErrorOutOfTheDownloadWindowIsAbsorbed) {
  ScriptedDialogs dialogs;
  app::ScopedDownloadWindowFactory throwing([](QWidget*, const ConversionRequest&) -> int {
    throw std::runtime_error("the download window failed");
  });
  std::string outputDir;
  const app::StartInput fields{.source = app::StartInput::Source::PageAddress,
                               .address = "http://www.youtube.com/watch?v=a",
                               .localFile = {},
                               .outputFolder = dir_.path(),
                               .formatIndex = 1};
  EXPECT_NO_THROW(app::startRequest(nullptr, fields, outputDir));
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(RequestTest, TheAddressNoticeNamesTheConfiguredExample) {
  EXPECT_EQ(app::enterUrlLikeText(), resources::loadString(resources::StringId::EnterUrlLike));
  common::SiteConfig local = common::parseSiteConfig("[Sites]\nYouTubeDomain=127.0.0.1:8123\n").config;
  common::SiteConfig::setCurrent(local);
  EXPECT_EQ(app::enterUrlLikeText(), "Please enter the url like http://127.0.0.1:8123/watch?v=Xq0TXIuQ5zk");

  // A page of the simulator is taken and normalised; the real site's address no longer is a page.
  ScriptedDialogs dialogs;
  dialogs.answer(platform::ModalResult::Ok);
  RecordingFactory factory;
  std::string outputDir;
  app::StartInput fields{.source = app::StartInput::Source::PageAddress,
                         .address = "http://127.0.0.1:8123/watch?x=1&v=abc",
                         .localFile = {},
                         .outputFolder = dir_.path(),
                         .formatIndex = 0};
  app::startRequest(nullptr, fields, outputDir);
  fields.address = "http://www.youtube.com/watch?v=abc";
  app::startRequest(nullptr, fields, outputDir);
  ASSERT_EQ(factory.requests().size(), 1u);
  EXPECT_EQ(factory.requests()[0].source, "http://127.0.0.1:8123/watch?v=abc");
  EXPECT_EQ(factory.requests()[0].convertArgs, "-ar 44100 -ab 256kbit/s -ac 2 ");
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].text, app::enterUrlLikeText());
}

// One table for the window's list and the command line: each entry's list text, name, extension and
// arguments; indices outside it (-1, nothing selected) give no format; names are found in any letter case.
TEST(AudioFormatsTest, OneTableForTheListAndTheCommandLine) {
  const struct {
    int index;
    const char* listText;
    const char* name;
    const char* extension;
    const char* args;
  } rows[] = {
      {0, "MP3 - High Quality Audio (256 Kbps, Stereo)", "mp3-256", ".mp3", "-ar 44100 -ab 256kbit/s -ac 2 "},
      {1, kMp3Normal, "mp3-128", ".mp3", kArgs128},
      {2, "MP3 - Economy Quality Audio (64 Kbps, Mono)", "mp3-64", ".mp3", "-ar 44100 -ab 64kbit/s -ac 1 "},
      {3, "WAV - Lossless Audio (Stereo)", "wav", ".wav", kArgs128},
      {4, "WMA - Windows Media Audio (Stereo)", "wma", ".wma",
       "-ar 44100 -ab 128kbit/s -ac 2 -vn -acodec wmav2 "},
      {5, "Original audio (no re-encoding)", "original", "", "-vn -acodec copy "},
      {6, "Opus (160 Kbps)", "opus", ".opus", "-vn -acodec libopus -ab 160kbit/s -ar 48000 "},
      {7, "M4A - AAC (192 Kbps)", "m4a", ".m4a", "-vn -acodec aac -ab 192kbit/s "},
      {8, "FLAC - Lossless", "flac", ".flac", "-vn -acodec flac "},
      {9, "OGG Vorbis (quality 6)", "ogg", ".ogg", "-vn -acodec libvorbis -q:a 6 "},
  };
  ASSERT_EQ(common::audioFormats().size(), std::size(rows));
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const common::AudioFormat* format = common::audioFormatAt(row.index);
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->listText, row.listText);
    EXPECT_EQ(format->name, row.name);
    EXPECT_EQ(format->extension, row.extension);
    EXPECT_EQ(format->converterArgs, row.args);
    EXPECT_EQ(common::audioFormatIndex(row.name), row.index);
    EXPECT_EQ(format->keepsStream, row.index == common::kOriginalAudioFormat);
  }
  EXPECT_EQ(common::audioFormatAt(-1), nullptr);
  EXPECT_EQ(common::audioFormatAt(10), nullptr);
  EXPECT_EQ(common::audioFormatIndex("WAV"), 3);
  EXPECT_EQ(common::audioFormatIndex("aiff"), -1);
  EXPECT_EQ(common::audioFormatIndex(""), -1);
  EXPECT_EQ(common::audioFormatNames(),
            "mp3-256, mp3-128, mp3-64, wav, wma, original, opus, m4a, flac or ogg");
}

// Receives the folders handed to the desktop's file browser in place of the real one.
class FolderOpener : public QObject {
  Q_OBJECT
 public:
  FolderOpener() { QDesktopServices::setUrlHandler("file", this, "open"); }
  ~FolderOpener() override { QDesktopServices::unsetUrlHandler("file"); }
  std::vector<QUrl> opened;

 public slots:
  void open(const QUrl& url) { opened.push_back(url); }
};

TEST_F(RequestTest, ShowFilesOpensAnExistingFolderAndCreatesNone) {
  FolderOpener opener;
  ScriptedDialogs dialogs;
  std::string outputDir;
  app::showFiles(dir_.path(), outputDir);
  ASSERT_EQ(opener.opened.size(), 1u);
  EXPECT_EQ(opener.opened[0], QUrl::fromLocalFile(QString::fromStdString(dir_.path())));
  EXPECT_EQ(outputDir, dir_.path());

  const std::string missing = dir_.file("not/there");
  dialogs.answer(platform::ModalResult::Ok);
  app::showFiles(missing, outputDir);
  EXPECT_EQ(opener.opened.size(), 1u);
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].caption, kCaption);
  EXPECT_EQ(dialogs.shown()[0].text, missing + ", the output directory does not exist.");
  EXPECT_EQ(dialogs.shown()[0].icon, DialogIcon::Error);
  EXPECT_EQ(dialogs.shown()[0].buttons, DialogButtons::Ok);
  EXPECT_EQ(outputDir, missing);
  EXPECT_FALSE(std::filesystem::exists(dir_.file("not")));
}

TEST(SelectFileTest, TakesEveryChosenFileWithTheVideoFilter) {
  ScriptedDialogs dialogs;
  dialogs.answerPaths({"/videos/b.flv", "/videos/a.flv"});
  dialogs.answerPaths({});
  EXPECT_EQ(app::selectLocalFiles(), (std::vector<std::string>{"/videos/b.flv", "/videos/a.flv"}));
  EXPECT_TRUE(app::selectLocalFiles().empty());
  ASSERT_EQ(dialogs.shown().size(), 2u);
  EXPECT_EQ(dialogs.shown()[0].kind, testing_support::ShownDialog::OpenFiles);
  EXPECT_EQ(dialogs.shown()[0].text, "Flv files (*.flv);;Any file (*)");
}

TEST(SelectFileTest, FiltersTurnIntoThePickerForm) {
  EXPECT_EQ(app::toPickerFilter("Videos|*.flv;*.MP4|All(*.*)|*.*"), "Videos (*.flv *.MP4);;All (*)");
  EXPECT_EQ(app::toPickerFilter("Only text"), "");
  EXPECT_EQ(app::toPickerFilter(""), "");
}

}  // namespace

#include "RequestTest.moc"
