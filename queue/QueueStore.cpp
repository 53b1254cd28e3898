#include "queue/QueueStore.h"

#include "common/Text.h"
#include "platform/Paths.h"
#include "resources/Translations.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace queue {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFileName = "queue.sqlite";
constexpr const char* kInMemory = ":memory:";

std::string homeSubfolder(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  if (value != nullptr && value[0] == '/') return value;
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + fallback;
}

QString q(const std::string& text) {
  return QString::fromStdString(text);
}

QVariant optionalInt(const std::optional<int>& value) {
  return value ? QVariant(*value) : QVariant(QMetaType(QMetaType::Int));
}

std::optional<int> optionalIntOf(const QVariant& value) {
  if (value.isNull()) return std::nullopt;
  return value.toInt();
}

QString filesText(const std::vector<std::string>& files) {
  QJsonArray array;
  for (const std::string& file : files) array.append(q(file));
  return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

std::vector<std::string> filesOf(const QString& text) {
  std::vector<std::string> files;
  const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
  for (const QJsonValue& value : document.array()) {
    if (value.isString()) files.push_back(value.toString().toStdString());
  }
  return files;
}

// A name beside `path` that nothing holds yet: path.<why>-<date and time>[-n].
std::string asideName(const std::string& path, const char* why) {
  const std::string stem =
      path + "." + why + "-" + QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss").toStdString();
  std::string name = stem;
  for (int n = 2; fs::exists(name) || fs::exists(name + "-wal"); ++n) name = stem + "-" + std::to_string(n);
  return name;
}

}  // namespace

std::string queueDatabasePath() {
  const fs::path settings = fs::path(platform::settingsFilePath()).parent_path();
  const fs::path configFolder = fs::path(homeSubfolder("XDG_CONFIG_HOME", "/.config")) / "clipwave";
  if (settings.lexically_normal() != configFolder.lexically_normal()) return (settings / kFileName).string();
  return (fs::path(homeSubfolder("XDG_DATA_HOME", "/.local/share")) / "clipwave" / kFileName).string();
}

QueueStore::QueueStore() {
  static std::atomic<int> count{0};
  connection_ = QStringLiteral("clipwave-queue-%1").arg(++count);
}

QueueStore::~QueueStore() {
  close();
}

void QueueStore::close() {
  if (!QSqlDatabase::contains(connection_)) return;
  {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    db.close();
  }
  QSqlDatabase::removeDatabase(connection_);
}

bool QueueStore::fail(const QString& what, const QString& error) {
  lastError_ = (what + ": " + error).toStdString();
  return false;
}

std::string QueueStore::open(const std::string& path) {
  close();
  path_ = path;
  lastError_.clear();
  std::error_code error;
  fs::create_directories(fs::path(path).parent_path(), error);
  const Opened opened = tryOpen(path);
  if (opened.check == Check::Usable) return {};

  // An unreadable or newer database is kept, under another name, for the user (or a newer version) to
  // look at; the queue starts anew beside it.
  close();
  const std::string aside = asideName(path, opened.check == Check::Newer ? "newer" : "damaged");
  std::string message =
      common::fillIn(resources::translate("QueueStore", "The queue's database %1 %2"), {path, opened.reason});
  const bool existed = fs::exists(path);
  bool moved = false;
  if (existed) {
    fs::rename(path, aside, error);
    moved = !error;
  }
  if (moved) {
    for (const char* companion : {"-wal", "-shm", "-journal"}) {
      if (fs::exists(path + companion)) fs::rename(path + companion, aside + companion, error);
    }
  }
  if ((moved || !existed) && tryOpen(path).check == Check::Usable) {
    return message +
           (moved ? common::fillIn(
                        resources::translate("QueueStore", "; it was moved to %1 and a new one was made."),
                        {aside})
                  : resources::translate("QueueStore", "."));
  }
  close();
  tryOpen(kInMemory);
  return message +
         (moved ? common::fillIn(resources::translate("QueueStore", "; it was moved to %1"), {aside})
                : std::string()) +
         resources::translate(
             "QueueStore",
             ", and no new one could be made there: the queue is kept in memory until Clipwave closes.");
}

QueueStore::Opened QueueStore::tryOpen(const std::string& file) {
  close();
  QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
  if (!db.isValid()) {
    return {Check::Unreadable,
            resources::translate("QueueStore",
                                 "could not be opened: Qt's SQLite driver (libqt6sql6-sqlite) is missing")};
  }
  db.setDatabaseName(q(file));
  if (!db.open())
    return {Check::Unreadable, common::fillIn(resources::translate("QueueStore", "could not be opened (%1)"),
                                              {db.lastError().text().toStdString()})};
  QSqlQuery query(db);
  // Reading the version is the first read of the file: a file that is no database fails here.
  if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
    return {Check::Unreadable, common::fillIn(resources::translate("QueueStore", "could not be read (%1)"),
                                              {query.lastError().text().toStdString()})};
  }
  const int version = query.value(0).toInt();
  if (version > kSchemaVersion) {
    return {Check::Newer,
            common::fillIn(
                resources::translate("QueueStore", "was written by a newer version of Clipwave (layout %1)"),
                {std::to_string(version)})};
  }
  if (!query.exec(QStringLiteral("PRAGMA quick_check")) || !query.next() ||
      query.value(0).toString() != QStringLiteral("ok")) {
    const QString what = query.lastError().isValid() ? query.lastError().text() : query.value(0).toString();
    return {Check::Unreadable,
            common::fillIn(resources::translate("QueueStore", "is damaged (%1)"), {what.toStdString()})};
  }
  query.finish();
  // Every change is a transaction of its own, on disk when it returns; readers never block the writer.
  if (file != kInMemory) {
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !query.next() ||
        query.value(0).toString().toLower() != QStringLiteral("wal")) {
      return {Check::Unreadable,
              common::fillIn(resources::translate("QueueStore", "could not be written (%1)"),
                             {query.lastError().text().toStdString()})};
    }
    query.finish();
    query.exec(QStringLiteral("PRAGMA synchronous=FULL"));
  }
  if (!createTables())
    return {Check::Unreadable,
            common::fillIn(resources::translate("QueueStore", "could not be written (%1)"), {lastError_})};
  return {};
}

bool QueueStore::createTables() {
  QSqlDatabase db = QSqlDatabase::database(connection_, false);
  QSqlQuery query(db);
  const char* const statements[] = {
      "CREATE TABLE IF NOT EXISTS items ("
      " id INTEGER PRIMARY KEY, source TEXT NOT NULL, mode INTEGER NOT NULL, output_folder TEXT NOT NULL,"
      " target_ext TEXT NOT NULL, convert_args TEXT NOT NULL, track_number INTEGER, track_count INTEGER,"
      " album TEXT NOT NULL, title TEXT NOT NULL, state TEXT NOT NULL, cause INTEGER NOT NULL,"
      " message TEXT NOT NULL, files TEXT NOT NULL, retried INTEGER NOT NULL)",
      "CREATE TABLE IF NOT EXISTS finished ("
      " source TEXT NOT NULL, format TEXT NOT NULL, file TEXT NOT NULL, finished_at INTEGER NOT NULL,"
      " PRIMARY KEY (source, format))",
  };
  if (!db.transaction()) return fail("starting a transaction", db.lastError().text());
  for (const char* statement : statements) {
    if (!query.exec(QString::fromLatin1(statement))) {
      db.rollback();
      return fail("making the tables", query.lastError().text());
    }
  }
  // The columns this program reads: a table of the same name but another layout is no queue of ours.
  if (!query.exec(QStringLiteral("SELECT id, source, mode, output_folder, target_ext, convert_args, "
                                 "track_number, track_count, album, title, state, cause, message, files, "
                                 "retried FROM items LIMIT 0")) ||
      !query.exec(QStringLiteral("SELECT source, format, file, finished_at FROM finished LIMIT 0"))) {
    db.rollback();
    return fail("reading the tables", query.lastError().text());
  }
  query.exec(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion));
  if (!db.commit()) return fail("making the tables", db.lastError().text());
  return true;
}

std::vector<QueueItem> QueueStore::loadItems() {
  std::vector<QueueItem> items;
  QSqlQuery query(QSqlDatabase::database(connection_, false));
  if (!query.exec(QStringLiteral("SELECT id, source, mode, output_folder, target_ext, convert_args, "
                                 "track_number, track_count, album, title, state, cause, message, files, "
                                 "retried FROM items ORDER BY id"))) {
    fail("reading the queue", query.lastError().text());
    return items;
  }
  while (query.next()) {
    QueueItem item;
    item.id = query.value(0).toLongLong();
    item.input.source = query.value(1).toString().toStdString();
    const int mode = query.value(2).toInt();
    item.input.mode = mode >= 0 && mode <= 2 ? static_cast<download::RequestMode>(mode)
                                             : download::RequestMode::DownloadConvert;
    item.input.outputFolder = query.value(3).toString().toStdString();
    item.input.targetExt = query.value(4).toString().toStdString();
    item.input.convertArgs = query.value(5).toString().toStdString();
    item.input.trackNumber = optionalIntOf(query.value(6));
    item.input.trackCount = optionalIntOf(query.value(7));
    item.input.album = query.value(8).toString().toStdString();
    item.title = query.value(9).toString().toStdString();
    // A state this version does not know was left by no version of it: the item is offered again.
    item.state = stateFromName(query.value(10).toString().toStdString()).value_or(ItemState::Stopped);
    const int cause = query.value(11).toInt();
    item.cause = cause >= 0 && cause <= static_cast<int>(download::JobOutcome::Cause::OutputKept)
                     ? static_cast<download::JobOutcome::Cause>(cause)
                     : download::JobOutcome::Cause::None;
    item.message = query.value(12).toString().toStdString();
    item.files = filesOf(query.value(13).toString());
    item.retried = query.value(14).toBool();
    items.push_back(std::move(item));
  }
  return items;
}

ItemId QueueStore::largestId() {
  QSqlQuery query(QSqlDatabase::database(connection_, false));
  if (!query.exec(QStringLiteral("SELECT MAX(id) FROM items")) || !query.next()) return 0;
  return query.value(0).toLongLong();
}

bool QueueStore::writeItem(const QueueItem& item, bool insert) {
  QSqlQuery query(QSqlDatabase::database(connection_, false));
  if (insert) {
    query.prepare(QStringLiteral(
        "INSERT INTO items (id, source, mode, output_folder, target_ext, convert_args, track_number, "
        "track_count, album, title, state, cause, message, files, retried) "
        "VALUES (:id, :source, :mode, :folder, :ext, :args, :track, :count, :album, :title, :state, :cause, "
        ":message, :files, :retried)"));
    query.bindValue(QStringLiteral(":source"), q(item.input.source));
    query.bindValue(QStringLiteral(":mode"), static_cast<int>(item.input.mode));
    query.bindValue(QStringLiteral(":folder"), q(item.input.outputFolder));
    query.bindValue(QStringLiteral(":ext"), q(item.input.targetExt));
    query.bindValue(QStringLiteral(":args"), q(item.input.convertArgs));
    query.bindValue(QStringLiteral(":track"), optionalInt(item.input.trackNumber));
    query.bindValue(QStringLiteral(":count"), optionalInt(item.input.trackCount));
    query.bindValue(QStringLiteral(":album"), q(item.input.album));
  } else {
    query.prepare(
        QStringLiteral("UPDATE items SET title = :title, state = :state, cause = :cause, message = :message, "
                       "files = :files, "
                       "retried = :retried WHERE id = :id"));
  }
  query.bindValue(QStringLiteral(":id"), static_cast<qlonglong>(item.id));
  query.bindValue(QStringLiteral(":title"), q(item.title));
  query.bindValue(QStringLiteral(":state"), QString::fromLatin1(stateName(item.state)));
  query.bindValue(QStringLiteral(":cause"), static_cast<int>(item.cause));
  query.bindValue(QStringLiteral(":message"), q(item.message));
  query.bindValue(QStringLiteral(":files"), filesText(item.files));
  query.bindValue(QStringLiteral(":retried"), item.retried ? 1 : 0);
  if (!query.exec()) return fail(insert ? "adding an item" : "writing an item", query.lastError().text());
  return true;
}

bool QueueStore::addItems(std::span<const QueueItem> items) {
  QSqlDatabase db = QSqlDatabase::database(connection_, false);
  if (!db.transaction()) return fail("starting a transaction", db.lastError().text());
  for (const QueueItem& item : items) {
    if (!writeItem(item, true)) {
      db.rollback();
      return false;
    }
  }
  if (!db.commit()) return fail("adding items", db.lastError().text());
  return true;
}

bool QueueStore::updateItem(const QueueItem& item) {
  return writeItem(item, false);
}

bool QueueStore::updateItems(std::span<const QueueItem> items) {
  QSqlDatabase db = QSqlDatabase::database(connection_, false);
  if (!db.transaction()) return fail("starting a transaction", db.lastError().text());
  for (const QueueItem& item : items) {
    if (!writeItem(item, false)) {
      db.rollback();
      return false;
    }
  }
  if (!db.commit()) return fail("writing items", db.lastError().text());
  return true;
}

bool QueueStore::removeItem(ItemId id) {
  QSqlQuery query(QSqlDatabase::database(connection_, false));
  query.prepare(QStringLiteral("DELETE FROM items WHERE id = :id"));
  query.bindValue(QStringLiteral(":id"), static_cast<qlonglong>(id));
  if (!query.exec()) return fail("removing an item", query.lastError().text());
  return true;
}

bool QueueStore::recordFinished(const std::string& source, const std::string& format,
                                const std::string& file) {
  QSqlQuery query(QSqlDatabase::database(connection_, false));
  query.prepare(
      QStringLiteral("INSERT OR REPLACE INTO finished (source, format, file, finished_at) "
                     "VALUES (:source, :format, :file, :at)"));
  query.bindValue(QStringLiteral(":source"), q(source));
  query.bindValue(QStringLiteral(":format"), q(format));
  query.bindValue(QStringLiteral(":file"), q(file));
  query.bindValue(QStringLiteral(":at"), QDateTime::currentSecsSinceEpoch());
  if (!query.exec()) return fail("writing the finished list", query.lastError().text());
  return true;
}

std::optional<std::string> QueueStore::finishedFile(const std::string& source, const std::string& format) {
  QSqlQuery query(QSqlDatabase::database(connection_, false));
  query.prepare(QStringLiteral("SELECT file FROM finished WHERE source = :source AND format = :format"));
  query.bindValue(QStringLiteral(":source"), q(source));
  query.bindValue(QStringLiteral(":format"), q(format));
  if (!query.exec()) {
    fail("reading the finished list", query.lastError().text());
    return std::nullopt;
  }
  if (!query.next()) return std::nullopt;
  return query.value(0).toString().toStdString();
}

}  // namespace queue
