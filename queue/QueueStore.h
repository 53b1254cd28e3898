// Where the queue lives between runs: an SQLite database (through Qt SQL) with the queue's items and the
// list of finished items (page address or file, format, audio file), written as items change, in WAL mode,
// so that a crash or a power cut loses no change that was written.
//
// A database that cannot be read (damaged, not a database) or that a newer version made is moved aside
// under a name with a suffix and a new one is made: open() says so in its message, and never fails for that
// reason. Nothing here opens a box; the caller shows the message.
#pragma once

#include "queue/QueueItem.h"

#include <QString>

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace queue {

// $XDG_DATA_HOME/clipwave/queue.sqlite (~/.local/share when the variable is unset); beside the settings file
// when the settings are kept elsewhere than in the user's configuration folder (a portable copy, a build
// folder, a test that chose its settings file).
std::string queueDatabasePath();

class QueueStore {
 public:
  // The version of the database's layout this program writes (SQLite's user_version).
  static constexpr int kSchemaVersion = 1;

  QueueStore();
  ~QueueStore();
  QueueStore(const QueueStore&) = delete;
  QueueStore& operator=(const QueueStore&) = delete;

  // Opens (or makes) the database at `path`, making its folder when missing. Returns what the user should
  // be told, empty when there is nothing to tell: that an unreadable or newer database was moved aside and a
  // new one made, or, when no database can be written there at all, that the queue is kept in memory only
  // for this run.
  std::string open(const std::string& path);
  const std::string& path() const { return path_; }

  std::vector<QueueItem> loadItems();
  ItemId largestId();

  // Adds the items in one transaction: all of them or none.
  bool addItems(std::span<const QueueItem> items);
  bool updateItem(const QueueItem& item);
  // Updates the items in one transaction.
  bool updateItems(std::span<const QueueItem> items);
  bool removeItem(ItemId id);

  // The finished list: `source` made `file` in the format `format`.
  bool recordFinished(const std::string& source, const std::string& format, const std::string& file);
  std::optional<std::string> finishedFile(const std::string& source, const std::string& format);

  // The last failure's text, for a message.
  const std::string& lastError() const { return lastError_; }

 private:
  enum class Check { Usable, Unreadable, Newer };
  struct Opened {
    Check check = Check::Usable;
    std::string reason;
  };

  Opened tryOpen(const std::string& file);
  bool createTables();
  void close();
  bool fail(const QString& what, const QString& error);
  bool writeItem(const QueueItem& item, bool insert);

  QString connection_;
  std::string path_;
  std::string lastError_;
};

}  // namespace queue
