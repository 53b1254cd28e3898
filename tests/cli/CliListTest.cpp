// clipwave-cli with several items: lists of addresses and files (-a FILE, "-" for standard input) and the
// finished list of --archive, with the real ffmpeg. The exit status is 0 only when every item ended well.
#include "CliListFixture.h"

namespace cli_test {
namespace {

namespace fs = std::filesystem;

// A list with blank lines, comments, garbage and repeats, from a file and from standard input: each item
// once, each bad line named with its number, and the exit status 1 for them while the good items are
// converted.
TEST_F(CliListTest, AddressListTakesEachItemOnceAndNamesTheGarbage) {
  const std::string a = makeVideo("a.flv");
  const std::string b = makeVideo("b.flv");
  const std::string list =
      "# my recordings\n\n" + a + "\n  " + b + "  \n" + a + "\nftp://example.org/x.flv\n" + "bad\x01line\n\n";
  std::ofstream(dir_.file("list.txt")) << list;
  for (const bool fromStdin : {false, true}) {
    SCOPED_TRACE(fromStdin ? "standard input" : "file");
    fs::remove_all(out_);
    fs::create_directories(out_);
    CliProcess::Options options =
        cli({"-o", out_, "-f", "wav", "-a", fromStdin ? "-" : dir_.file("list.txt")});
    options.stdinPipe = fromStdin;
    CliProcess run(options);
    if (fromStdin) {
      run.writeStdin(list);
      run.closeStdin();
    }
    EXPECT_EQ(run.wait(kJobMs), 1) << run.err();
    EXPECT_EQ(filesEndingIn(out_, ".wav"), (std::vector<std::string>{out_ + "/a.wav", out_ + "/b.wav"}))
        << run.err();
    const std::vector<std::string> lines = messages(run.err());
    ASSERT_EQ(lines.size(), 2u) << run.err();
    const std::string name = fromStdin ? "standard input" : dir_.file("list.txt");
    EXPECT_EQ(lines[0],
              "clipwave-cli: " + name + ", line 6: not an http or https address: ftp://example.org/x.flv");
    EXPECT_EQ(lines[1].rfind("clipwave-cli: " + name + ", line 7: control character", 0), 0u) << lines[1];
    EXPECT_NE(run.err().find(name + ": 1 repeated line taken once"), std::string::npos) << run.err();
  }
  // A clean list: status 0. A list that cannot be read: named, status 1.
  std::ofstream(dir_.file("clean.txt")) << a << "\n";
  CliProcess clean(cli({"-o", out_, "-f", "wav", "-y", "-a", dir_.file("clean.txt")}));
  EXPECT_EQ(clean.wait(kJobMs), 0) << clean.err();
  CliProcess missing(cli({"-o", out_, "-f", "wav", "-y", "-a", dir_.file("nothing.txt"), a}));
  EXPECT_EQ(missing.wait(kJobMs), 1) << missing.err();
  ASSERT_EQ(messages(missing.err()).size(), 1u) << missing.err();
  EXPECT_NE(messages(missing.err())[0].find("nothing.txt"), std::string::npos) << missing.err();
}

// --archive: what ended well is written as "absolute path<tab>format" and skipped the next time; a failed
// item is not written and makes the status 1; another format is another item.
TEST_F(CliListTest, ArchiveSkipsWhatItHoldsAndKeepsOnlyWhatEndedWell) {
  const std::string a = makeVideo("a.flv");
  std::ofstream(dir_.file("broken.flv")) << "not a video";
  const std::string archive = dir_.file("done.txt");
  std::ofstream(archive) << "garbage line without a tab\n" << dir_.file("x.flv") << "\tmp3-128";  // no break
  {
    CliProcess run(cli({"-o", out_, "-f", "wav", "--archive", archive, a, dir_.file("broken.flv")}));
    EXPECT_EQ(run.wait(kJobMs), 1) << run.err();
  }
  EXPECT_EQ(testing_support::readFile(archive), "garbage line without a tab\n" + dir_.file("x.flv") +
                                                    "\tmp3-128\n" + dir_.file("a.flv") + "\twav\n");
  fs::remove(out_ + "/a.wav");
  {
    // Skipped, even under another spelling of the same path.
    const std::string again = dir_.path() + "/./out/../a.flv";
    CliProcess run(cli({"-o", out_, "-f", "wav", "--archive", archive, again}));
    EXPECT_EQ(run.wait(kJobMs), 0) << run.err();
    EXPECT_NE(run.err().find("Already done (in the archive): " + again), std::string::npos) << run.err();
    EXPECT_FALSE(fs::exists(out_ + "/a.wav"));
  }
  {
    CliProcess run(cli({"-o", out_, "-f", "mp3-128", "--archive", archive, a}));
    EXPECT_EQ(run.wait(kJobMs), 0) << run.err();
    EXPECT_TRUE(fs::exists(out_ + "/a.mp3"));
  }
  // An archive that cannot be read starts nothing.
  const std::string folder = dir_.file("folder-archive");
  fs::create_directories(folder);
  CliProcess run(cli({"-o", out_, "-f", "wav", "--archive", folder, a}));
  EXPECT_EQ(run.wait(kJobMs), 1) << run.err();
  EXPECT_FALSE(fs::exists(out_ + "/a.wav"));
}

TEST_F(CliListTest, HelpListsTheListOptions) {
  CliProcess run(cli({"--help"}));
  ASSERT_EQ(run.wait(30000), 0);
  for (const char* option : {"-a, --address-file LIST", "--playlist", "--no-playlist", "--archive FILE",
                             "Exit status: 0 when every item ended as it should"})
    EXPECT_NE(run.out().find(option), std::string::npos) << option;
}

}  // namespace
}  // namespace cli_test
