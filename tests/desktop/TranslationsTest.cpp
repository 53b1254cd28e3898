// Other languages: the language chosen from the environment, every text of the sources found in each
// translation file, translations that keep their placeholders and shortcut marks, English left exactly as
// written, and the command line speaking the locale's language.
#include "common/Text.h"
#include "resources/Strings.h"
#include "resources/Translations.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <map>
#include <set>

using testing_support::TempDir;

namespace {

const QStringList kLanguages = {"de", "zh_CN"};
// The folders whose sources hold the texts a user reads.
const QStringList kSourceFolders = {"app",  "common",    "download", "convert", "queue",
                                    "tags", "resources", "platform", "ui"};

QString translationFile(const QString& language) {
  return QString(CLIPWAVE_SOURCE_DIR "/translations/clipwave_%1.ts").arg(language);
}

struct Message {
  QString context;
  QString source;
  QString translation;
  bool unfinished = false;
};

// The messages of a translation file. A carriage return is written as <byte value="xd"/>.
std::vector<Message> readMessages(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  std::vector<Message> messages;
  QXmlStreamReader xml(&file);
  QString context;
  QString* text = nullptr;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement()) {
      if (xml.name() == u"name") context = xml.readElementText();
      if (xml.name() == u"message") messages.push_back({.context = context, .source = {}, .translation = {}});
      if (xml.name() == u"source") text = &messages.back().source;
      if (xml.name() == u"translation") {
        text = &messages.back().translation;
        messages.back().unfinished = xml.attributes().value("type") == u"unfinished";
      }
      if (xml.name() == u"byte" && text != nullptr)
        *text += QChar(xml.attributes().value("value").mid(1).toInt(nullptr, 16));
    } else if (xml.isCharacters() && text != nullptr) {
      *text += xml.text();
    } else if (xml.isEndElement() && (xml.name() == u"source" || xml.name() == u"translation")) {
      text = nullptr;
    }
  }
  EXPECT_FALSE(xml.hasError()) << path.toStdString() << ": " << xml.errorString().toStdString();
  return messages;
}

std::multiset<QString> placeholders(const QString& text) {
  std::multiset<QString> found;
  for (const QRegularExpressionMatch& match : QRegularExpression("%[1-9]").globalMatch(text))
    found.insert(match.captured());
  return found;
}

// The environment for chooseLanguage, from a table row.
std::function<const char*(const char*)> environment(const std::map<std::string, std::string>& values) {
  return [values](const char* name) -> const char* {
    const auto it = values.find(name);
    return it == values.end() ? nullptr : it->second.c_str();
  };
}

TEST(Translations, LanguageChosenFromTheEnvironmentAsGettextDoes) {
  const struct {
    std::map<std::string, std::string> environment;
    std::string language;
  } rows[] = {
      {{}, ""},
      {{{"LANG", "C"}}, ""},
      {{{"LANG", "C.UTF-8"}, {"LANGUAGE", "de"}}, ""},  // the C locale ignores LANGUAGE
      {{{"LANG", "POSIX"}}, ""},
      {{{"LANG", "de_DE.UTF-8"}}, "de"},
      {{{"LANG", "de_AT.UTF-8@euro"}}, "de"},
      {{{"LANG", "fr_FR.UTF-8"}}, ""},
      {{{"LANG", "zh_CN.UTF-8"}}, "zh_CN"},
      {{{"LANG", "zh_SG.UTF-8"}}, "zh_CN"},
      {{{"LANG", "zh_TW.UTF-8"}}, ""},  // traditional characters: not the simplified catalogue
      {{{"LANG", "en_US.UTF-8"}, {"LANGUAGE", "fr:zh:de"}}, "zh_CN"},
      {{{"LANG", "de_DE.UTF-8"}, {"LANGUAGE", ""}}, "de"},
      {{{"LANG", "de_DE.UTF-8"}, {"LC_MESSAGES", "zh_CN.UTF-8"}}, "zh_CN"},
      {{{"LANG", "de_DE.UTF-8"}, {"LC_MESSAGES", "zh_CN.UTF-8"}, {"LC_ALL", "C"}}, ""},
      {{{"LC_ALL", "de_DE.UTF-8"}, {"LANGUAGE", "fr"}}, "de"},
  };
  for (const auto& row : rows) {
    std::string shown;
    for (const auto& [name, value] : row.environment) shown += name + "=" + value + " ";
    EXPECT_EQ(resources::chooseLanguage(environment(row.environment)), row.language) << shown;
  }
}

// lupdate over the sources, merged into a copy of each translation file, finds no text without a
// translation: a text added or changed in the sources fails here until both languages have it.
TEST(Translations, EveryTextOfTheSourcesHasATranslation) {
  TempDir dir;
  for (const QString& language : kLanguages) {
    const QString copy = QString::fromStdString(dir.file("check_" + language.toStdString() + ".ts"));
    ASSERT_TRUE(QFile::copy(translationFile(language), copy));
    QProcess lupdate;
    lupdate.setWorkingDirectory(CLIPWAVE_SOURCE_DIR);
    lupdate.start(CLIPWAVE_LUPDATE, QStringList{"-silent", "-locations", "none", "-no-obsolete"} +
                                        kSourceFolders + QStringList{"-ts", copy});
    ASSERT_TRUE(lupdate.waitForFinished(120000));
    ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();
    std::string missing;
    int count = 0;
    for (const Message& message : readMessages(copy)) {
      ++count;
      if (message.unfinished || message.translation.isEmpty())
        missing += "\n  " + message.context.toStdString() + ": " + message.source.toStdString();
    }
    EXPECT_GT(count, 150) << "lupdate found the texts";
    EXPECT_EQ(missing, "") << language.toStdString() << " has no translation for:";
  }
}

// A translation keeps the source's %1 to %9 (which the program fills in) and as many & shortcut marks.
TEST(Translations, KeepPlaceholdersAndShortcutMarks) {
  for (const QString& language : kLanguages) {
    for (const Message& message : readMessages(translationFile(language))) {
      SCOPED_TRACE(language.toStdString() + " " + message.context.toStdString() + ": " +
                   message.source.toStdString());
      EXPECT_EQ(placeholders(message.translation), placeholders(message.source));
      EXPECT_EQ(message.translation.count('&'), message.source.count('&'));
    }
  }
}

TEST(Translations, EnglishStaysExactlyAsWrittenAndTheCataloguesAnswer) {
  using resources::StringId;
  const auto texts = [] {
    return std::vector<std::string>{resources::translate("MainWindow", "Exit"),
                                    resources::loadString(StringId::Overwrite, {"/music/a.mp3"}),
                                    resources::loadString(StringId::UnableGetHtmlFrom, {"http://x/%2"}),
                                    resources::loadString(StringId::Title)};
  };
  resources::useLanguage("");
  EXPECT_EQ(texts(), (std::vector<std::string>{"Exit", "/music/a.mp3 has existed,overite it?",
                                               "Unable get html from http://x/%2", "Karvel Clipwave"}));
  resources::useLanguage("de");
  EXPECT_EQ(texts(), (std::vector<std::string>{"Beenden", "/music/a.mp3 existiert bereits. Überschreiben?",
                                               "Die Seite http://x/%2 konnte nicht geladen werden",
                                               "Karvel Clipwave"}));
  resources::useLanguage("zh_CN");
  EXPECT_EQ(texts(), (std::vector<std::string>{"退出", "/music/a.mp3 已存在，要覆盖吗？",
                                               "无法获取 http://x/%2 的网页", "Karvel Clipwave"}));
  resources::useLanguage("");
  EXPECT_EQ(resources::translate("MainWindow", "no such text"), "no such text");
}

TEST(Translations, FillInReplacesEachNumberOnce) {
  EXPECT_EQ(common::fillIn("%2 of %1", {"a", "b"}), "b of a");
  EXPECT_EQ(common::fillIn("%1 and %1", {"%2"}), "%2 and %2") << "an argument is not read again";
  EXPECT_EQ(common::fillIn("100% %3 %", {"a"}), "100% %3 %") << "a number without its argument stays";
}

// The command line speaks the locale's language: its help, and its errors on standard error.
TEST(Translations, CommandLineFollowsTheLocale) {
  const auto run = [](const std::map<QString, QString>& values, const QStringList& arguments) {
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : values) env.insert(name, value);
    cli.setProcessEnvironment(env);
    cli.start(CLIPWAVE_CLI, arguments);
    EXPECT_TRUE(cli.waitForFinished(30000));
    return QString::fromUtf8(cli.readAllStandardOutput() + cli.readAllStandardError());
  };
  EXPECT_TRUE(run({{"LANG", "de_DE.UTF-8"}}, {"--help"}).startsWith("Aufruf: clipwave-cli [Optionen]"));
  EXPECT_TRUE(run({{"LANG", "de_DE.UTF-8"}, {"LANGUAGE", "zh_CN:de"}}, {"--help"}).startsWith("用法："));
  EXPECT_TRUE(
      run({{"LANG", "C"}, {"LANGUAGE", "de"}}, {"--help"}).startsWith("Usage: clipwave-cli [options]"));
  EXPECT_EQ(run({{"LANG", "de_DE.UTF-8"}}, {"--bogus"}),
            "clipwave-cli: unbekannte Option --bogus (clipwave-cli --help listet die Optionen auf)\n");
}

}  // namespace
