// The queue with its real jobs: local videos converted two at once by the real ffmpeg, each item with a
// conversion object of its own and none of the program's; an existing audio file kept or replaced as the
// queue's choice says, without a box; and a download from a server on 127.0.0.1 that the program's end cuts,
// continued after a restart from the part it had.
#include "ScriptedPeer.h"

#include "convert/ConvertProcess.h"
#include "convert/ConvertTestSupport.h"
#include "queue/Queue.h"
#include "queue/QueueStore.h"
#include "queue/StandardQueueJobs.h"
#include "support/KnownStream.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using queue::ItemState;
using testing_support::TempDir;
using testing_support::waitFor;

constexpr const char* kMp3Args = "-ar 44100 -ab 128kbit/s -ac 2 ";

download::JobInput input(const std::string& source, download::RequestMode mode, const std::string& folder) {
  download::JobInput in;
  in.source = source;
  in.mode = mode;
  in.outputFolder = folder;
  in.targetExt = ".mp3";
  in.convertArgs = kMp3Args;
  return in;
}

bool allEnded(const queue::Queue& queue) {
  for (const queue::QueueItem& item : queue.items()) {
    if (item.state == ItemState::Waiting || queue::isRunning(item.state)) return false;
  }
  return true;
}

class QueueJobsTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(store_.open(dir_.file("queue.sqlite")), ""); }

  TempDir dir_, out_;
  queue::QueueStore store_;
};

TEST_F(QueueJobsTest, TwoLocalVideosConvertAtOnceEachWithItsOwnConverter) {
  const std::string first = dir_.file("first.flv"), second = dir_.file("second.flv");
  convert_test::makeVideo(first, 120);
  convert_test::makeVideo(second, 120);
  ASSERT_EQ(convert::convertProcess, nullptr) << "the window's conversion object is not needed";
  queue::StandardQueueJobs jobs;
  queue::Queue queue(jobs, store_);
  queue.setParallel(2);
  queue.add({input(first, download::RequestMode::ConvertLocalFile, out_.path()),
             input(second, download::RequestMode::ConvertLocalFile, out_.path())});
  bool together = false;
  QObject::connect(&queue, &queue::Queue::itemChanged, [&] {
    together = together || (queue.items()[0].state == ItemState::Converting &&
                            queue.items()[1].state == ItemState::Converting && queue.items()[0].percent > 0 &&
                            queue.items()[1].percent > 0);
  });
  std::optional<std::pair<int, int>> ended;
  QObject::connect(&queue, &queue::Queue::ended, [&](int done, int failed) { ended.emplace(done, failed); });
  queue.start();
  ASSERT_TRUE(waitFor([&] { return ended.has_value(); }, 120000));
  EXPECT_TRUE(together) << "both converted at the same time";
  EXPECT_EQ(*ended, std::make_pair(2, 0));
  for (const char* name : {"first", "second"}) {
    SCOPED_TRACE(name);
    const std::string audio = out_.file(std::string(name) + ".mp3");
    EXPECT_EQ(convert_test::probeStream(audio, "codec_name"), "mp3");
    EXPECT_EQ(store_.finishedFile(dir_.file(std::string(name) + ".flv"), "mp3-128"), audio);
  }
  EXPECT_EQ(queue.items()[0].title, "first");
  EXPECT_TRUE(fs::exists(first)) << "a local source is never deleted";
}

TEST_F(QueueJobsTest, AnExistingAudioFileIsKeptOrReplacedAsTheQueueChoseWithoutABox) {
  const std::string video = dir_.file("clip.flv");
  convert_test::makeVideo(video, 2);
  for (const bool replace : {false, true}) {
    SCOPED_TRACE(replace ? "replace" : "keep");
    const std::string audio = out_.write("clip.mp3", "an older audio file");
    testing_support::ScriptedDialogs dialogs;  // no answer: a box would fail the test
    queue::StandardQueueJobs jobs;
    queue::Queue queue(jobs, store_);
    queue.setReplaceExisting(replace);
    const queue::ItemId id =
        queue.add({input(video, download::RequestMode::ConvertLocalFile, out_.path())}).front();
    queue.start();
    ASSERT_TRUE(waitFor([&] { return allEnded(queue); }, 60000));
    EXPECT_TRUE(dialogs.shown().empty());
    if (replace) {
      EXPECT_EQ(queue.item(id)->state, ItemState::Done);
      EXPECT_EQ(convert_test::probeStream(audio, "codec_name"), "mp3");
    } else {
      EXPECT_EQ(queue.item(id)->state, ItemState::Exists);
      EXPECT_EQ(queue.item(id)->cause, download::JobOutcome::Cause::OutputKept);
      EXPECT_NE(queue.item(id)->message.find(audio), std::string::npos);
      EXPECT_EQ(testing_support::readFile(audio), "an older audio file");
    }
  }
}

TEST_F(QueueJobsTest, ADownloadCutByTheProgramsEndGoesOnFromItsPartAfterARestart) {
  const std::string served = dir_.file("served.flv");
  convert_test::makeVideo(served, 4);
  const std::string video = testing_support::readFile(served);
  const std::size_t half = video.size() / 2;
  const std::string total = std::to_string(video.size());
  testing_support::ScriptedPeer server;
  server.readUntil("\r\n\r\n")
      .send("HTTP/1.0 200 OK\r\nContent-Length: " + total + "\r\n\r\n" + video.substr(0, half))
      .readToEnd();  // silent until the program's end closes the connection
  server.nextConnection()
      .readUntil("\r\n\r\n")
      .send("HTTP/1.0 206 Partial Content\r\nContent-Range: bytes " + std::to_string(half) + "-" +
            std::to_string(video.size() - 1) + "/" + total +
            "\r\nContent-Length: " + std::to_string(video.size() - half) + "\r\n\r\n" + video.substr(half))
      .halfClose();
  server.start();
  const std::string url = "http://127.0.0.1:" + std::to_string(server.port()) + "/v.flv";
  queue::StandardQueueJobs jobs([url] { return testing_support::knownStreamParts(url, "clip.flv"); });
  const std::string page = "http://www.youtube.com/watch?v=clip";
  const std::string part = out_.file("clip.flv.part");
  {
    queue::Queue queue(jobs, store_);
    queue.add({input(page, download::RequestMode::DownloadConvert, out_.path())});
    queue.start();
    // The server sent the first half at once: once the progress shows it, all of it has come.
    const int halfPercent = static_cast<int>(half * 100 / video.size());
    ASSERT_TRUE(waitFor([&] { return queue.items()[0].percent >= halfPercent; }, 30000));
    testing_support::pumpEvents(300);
    EXPECT_EQ(queue.items()[0].state, ItemState::Downloading);
    EXPECT_EQ(queue.items()[0].title, "clip");
  }  // the program ends
  ASSERT_TRUE(fs::exists(part));
  ASSERT_EQ(fs::file_size(part), half);
  queue::Queue queue(jobs, store_);
  EXPECT_EQ(queue.load(), 1);
  EXPECT_EQ(queue.items()[0].state, ItemState::Stopped);
  queue.continueUnfinished();
  ASSERT_TRUE(waitFor([&] { return allEnded(queue); }, 60000)) << queue::stateName(queue.items()[0].state);
  EXPECT_EQ(queue.items()[0].state, ItemState::Done) << queue.items()[0].message;
  EXPECT_NE(server.received(1).find("Range: bytes=" + std::to_string(half) + "-"), std::string::npos)
      << server.received(1);
  EXPECT_EQ(convert_test::probeStream(out_.file("clip.mp3"), "codec_name"), "mp3");
  EXPECT_FALSE(fs::exists(part));
  EXPECT_FALSE(fs::exists(out_.file("clip.flv")));
}

}  // namespace
