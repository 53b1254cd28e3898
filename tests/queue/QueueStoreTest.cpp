// The queue's store on real SQLite files: every field of an item kept, WAL mode, a writer killed in the
// middle of its writes losing nothing it had written, and damaged or newer databases moved aside with a
// message and replaced, never lost and never a reason not to start.
#include "platform/Paths.h"
#include "queue/QueueStore.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace {

namespace fs = std::filesystem;
using queue::ItemState;
using queue::QueueStore;
using testing_support::TempDir;

// The value of one pragma (or any one-value query) of the database file, read on a connection of its own.
std::string queryOne(const std::string& file, const QString& statement) {
  std::string value;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("look"));
    db.setDatabaseName(QString::fromStdString(file));
    if (db.open()) {
      QSqlQuery query(db);
      if (query.exec(statement) && query.next()) value = query.value(0).toString().toStdString();
    }
    db.close();
  }
  QSqlDatabase::removeDatabase(QStringLiteral("look"));
  return value;
}

TEST(QueueStoreTest, KeepsEveryFieldOfAnItemInWalMode) {
  TempDir dir;
  const std::string file = dir.file("queue.sqlite");
  queue::QueueItem item;
  item.id = 7;
  item.input = {.source = "/videos/Ünïcode, with \"quotes\".flv",
                .mode = download::RequestMode::ConvertLocalFile,
                .outputFolder = "/music/my folder",
                .targetExt = ".wav",
                .convertArgs = "-ar 44100 ",
                .trackNumber = 3,
                .trackCount = 12,
                .album = "An album"};
  item.title = "A title";
  item.state = ItemState::Failed;
  item.cause = download::JobOutcome::Cause::ConversionFailed;
  item.message = "The conversion failed;\nwhy";
  item.files = {"/music/a\nb.mp3", "/music/c.mp3"};
  item.retried = true;
  queue::QueueItem plain;
  plain.id = 8;
  plain.input.source = "http://www.youtube.com/watch?v=x";
  {
    QueueStore store;
    ASSERT_EQ(store.open(file), "");
    ASSERT_TRUE(store.addItems(std::vector{item, plain}));
    EXPECT_EQ(queryOne(file, "PRAGMA journal_mode"), "wal");
    EXPECT_TRUE(fs::exists(file + "-wal"));
    EXPECT_FALSE(store.addItems(std::vector{plain})) << "an id once only: the whole batch is refused";
    EXPECT_FALSE(store.lastError().empty());
    ASSERT_TRUE(store.recordFinished("http://a", "mp3-128", "/music/a.mp3"));
  }
  QueueStore store;
  ASSERT_EQ(store.open(file), "");
  const std::vector<queue::QueueItem> items = store.loadItems();
  ASSERT_EQ(items.size(), 2u);
  const queue::QueueItem& back = items[0];
  EXPECT_EQ(back.id, 7);
  EXPECT_EQ(back.input.source, item.input.source);
  EXPECT_EQ(back.input.mode, item.input.mode);
  EXPECT_EQ(back.input.outputFolder, item.input.outputFolder);
  EXPECT_EQ(back.input.targetExt, item.input.targetExt);
  EXPECT_EQ(back.input.convertArgs, item.input.convertArgs);
  EXPECT_EQ(back.input.trackNumber, 3);
  EXPECT_EQ(back.input.trackCount, 12);
  EXPECT_EQ(back.input.album, item.input.album);
  EXPECT_EQ(back.title, item.title);
  EXPECT_EQ(back.state, item.state);
  EXPECT_EQ(back.cause, item.cause);
  EXPECT_EQ(back.message, item.message);
  EXPECT_EQ(back.files, item.files);
  EXPECT_TRUE(back.retried);
  EXPECT_EQ(items[1].input.trackNumber, std::nullopt);
  EXPECT_EQ(store.largestId(), 8);
  EXPECT_EQ(store.finishedFile("http://a", "mp3-128"), "/music/a.mp3");
  EXPECT_EQ(store.finishedFile("http://a", "wav"), std::nullopt);
}

TEST(QueueStoreTest, AWriterKilledMidWriteLosesNothingItWrote) {
  TempDir dir;
  const std::string file = dir.file("queue.sqlite");
  for (const int killAfter : {1, 57, 400}) {
    SCOPED_TRACE(killAfter);
    QProcess writer;
    writer.setProcessChannelMode(QProcess::SeparateChannels);
    writer.start(QStringLiteral(CLIPWAVE_QUEUE_STORE_WRITER), {QString::fromStdString(file)});
    ASSERT_TRUE(writer.waitForStarted(10000));
    std::string output;
    long lastWritten = 0;
    testing_support::waitFor(
        [&] {
          output += writer.readAllStandardOutput().toStdString();
          const std::size_t at = output.rfind("wrote ");
          if (at != std::string::npos && output.find('\n', at) != std::string::npos) {
            lastWritten = std::stol(output.substr(at + 6));
          }
          return lastWritten >= killAfter || writer.state() == QProcess::NotRunning;
        },
        30000);
    ASSERT_EQ(writer.state(), QProcess::Running) << output;
    ::kill(static_cast<pid_t>(writer.processId()), SIGKILL);
    ASSERT_TRUE(writer.waitForFinished(10000));
    output += writer.readAllStandardOutput().toStdString();
    const std::size_t at = output.rfind("wrote ");
    if (at != std::string::npos && output.find('\n', at) != std::string::npos) {
      lastWritten = std::stol(output.substr(at + 6));
    }
    QueueStore store;
    ASSERT_EQ(store.open(file), "") << "the database survived whole";
    const std::vector<queue::QueueItem> items = store.loadItems();
    ASSERT_EQ(items.size(), 5u);
    long newest = 0;
    for (const queue::QueueItem& item : items) {
      EXPECT_EQ(item.input.source, "http://www.youtube.com/watch?v=clip" + std::to_string(item.id));
      if (!item.message.empty()) newest = std::max(newest, std::stol(item.message));
    }
    EXPECT_GE(newest, lastWritten) << "every write the writer reported is there";
    fs::remove(file);
    fs::remove(file + "-wal");
    fs::remove(file + "-shm");
  }
}

TEST(QueueStoreTest, ADamagedOrNewerDatabaseIsMovedAsideAndANewOneMade) {
  const struct {
    const char* name;
    std::string content;  // written over the file; empty: a database of a newer version
    const char* suffix;   // of the name it is moved to
    const char* saying;   // in the message
  } rows[] = {
      {"not a database", std::string(4096, 'x'), ".damaged-", "could not be read"},
      {"a database's header, then garbage", std::string("SQLite format 3\0", 16) + std::string(8192, '\x7f'),
       ".damaged-", ""},
      {"a newer version's", "", ".newer-", "was written by a newer version of Clipwave"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    const std::string file = dir.file("queue.sqlite");
    if (row.content.empty()) {
      {
        QueueStore store;
        ASSERT_EQ(store.open(file), "");
        queue::QueueItem item;
        item.id = 1;
        ASSERT_TRUE(store.addItems(std::vector{item}));
      }
      queryOne(file, QStringLiteral("PRAGMA user_version=%1").arg(QueueStore::kSchemaVersion + 1));
      ASSERT_EQ(queryOne(file, "PRAGMA user_version"), std::to_string(QueueStore::kSchemaVersion + 1));
    } else {
      dir.write("queue.sqlite", row.content);
    }
    const std::string before = testing_support::readFile(file);
    QueueStore store;
    const std::string message = store.open(file);
    EXPECT_NE(message.find("The queue's database " + file), std::string::npos) << message;
    EXPECT_NE(message.find(row.saying), std::string::npos) << message;
    EXPECT_NE(message.find("a new one was made"), std::string::npos) << message;
    // The old file is kept whole under its new name, which the message gives.
    std::string aside;
    for (const std::string& name : testing_support::filesIn(dir.path())) {
      if (name.starts_with(std::string("queue.sqlite") + row.suffix) && !name.ends_with("-wal") &&
          !name.ends_with("-shm")) {
        aside = dir.file(name);
      }
    }
    ASSERT_FALSE(aside.empty());
    EXPECT_NE(message.find(aside), std::string::npos) << message;
    EXPECT_EQ(testing_support::readFile(aside), before);
    // The new database works.
    queue::QueueItem item;
    item.id = 5;
    EXPECT_TRUE(store.addItems(std::vector{item}));
    EXPECT_EQ(store.loadItems().size(), 1u);
  }
}

TEST(QueueStoreTest, WithNowhereToWriteTheQueueIsKeptInMemoryAndSaysSo) {
  TempDir dir;
  const std::string blocker = dir.write("not-a-folder", "x");
  QueueStore store;
  const std::string message = store.open(blocker + "/queue.sqlite");
  EXPECT_NE(message.find("kept in memory"), std::string::npos) << message;
  queue::QueueItem item;
  item.id = 1;
  EXPECT_TRUE(store.addItems(std::vector{item}));
  EXPECT_EQ(store.loadItems().size(), 1u);
}

TEST(QueueStoreTest, TheDatabaseLivesInTheDataFolderOrBesideAPortableSettingsFile) {
  TempDir home;
  const std::string oldHome = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
  ::setenv("HOME", home.path().c_str(), 1);
  ::unsetenv("XDG_CONFIG_HOME");
  ::unsetenv("XDG_DATA_HOME");
  const struct {
    const char* name;
    std::string settings;
    const char* dataHome;  // nullptr: unset
    std::string database;
  } rows[] = {
      {"the user's settings, no XDG_DATA_HOME", home.path() + "/.config/clipwave/settings.ini", nullptr,
       home.path() + "/.local/share/clipwave/queue.sqlite"},
      {"the user's settings, XDG_DATA_HOME set", home.path() + "/.config/clipwave/settings.ini", "/data/me",
       "/data/me/clipwave/queue.sqlite"},
      {"a portable copy", "/opt/clipwave/settings.ini", "/data/me", "/opt/clipwave/queue.sqlite"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    platform::setSettingsFilePath(row.settings);
    if (row.dataHome != nullptr) {
      ::setenv("XDG_DATA_HOME", row.dataHome, 1);
    } else {
      ::unsetenv("XDG_DATA_HOME");
    }
    EXPECT_EQ(queue::queueDatabasePath(), row.database);
  }
  platform::setSettingsFilePath({});
  ::unsetenv("XDG_DATA_HOME");
  ::setenv("HOME", oldHome.c_str(), 1);
}

}  // namespace
