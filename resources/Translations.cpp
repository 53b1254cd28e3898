#include "resources/Translations.h"

#include "resources/TranslationCatalogues.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdlib>
#include <memory>
#include <mutex>

namespace resources {
namespace {

// The catalogue's language for one name of the environment ("de_AT.UTF-8", "zh", "pt_BR@latin"): the
// name itself without its encoding and modifier, then its language alone. Chinese without a region, and
// Singapore's, read the simplified characters of the zh_CN catalogue; Taiwan's and Hong Kong's do not.
std::string catalogueFor(std::string name) {
  name = name.substr(0, name.find_first_of(".@"));
  const std::string language = name.substr(0, name.find('_'));
  std::string wanted = name;
  if (name == "zh" || name == "zh_SG") wanted = "zh_CN";
  for (const std::string& candidate : {wanted, language})
    for (const Catalogue& catalogue : catalogues())
      if (candidate == catalogue.language) return catalogue.language;
  return {};
}

// One catalogue in use, shared by every thread; the translators live as long as the program.
struct State {
  std::recursive_mutex mutex;
  bool chosen = false;
  bool installed = false;
  std::string language;
  QTranslator* own = nullptr;  // the program's texts
  QTranslator* qt = nullptr;   // Qt's own texts, where Qt's translations are installed
};

State& state() {
  static State* const kState = new State;
  return *kState;
}

const char* fromEnvironment(const char* name) {
  return std::getenv(name);
}

// Loads `language`'s catalogues in place of the ones in use. Called with the state's lock held.
void load(State& s, const std::string& language) {
  s.chosen = true;
  s.language = language;
  if (s.installed && QCoreApplication::instance() != nullptr) {
    if (s.own != nullptr) QCoreApplication::removeTranslator(s.own);
    if (s.qt != nullptr) QCoreApplication::removeTranslator(s.qt);
  }
  delete s.own;
  delete s.qt;
  s.own = nullptr;
  s.qt = nullptr;
  if (language.empty()) return;
  for (const Catalogue& catalogue : catalogues()) {
    if (language != catalogue.language) continue;
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(catalogue.data, catalogue.size)) s.own = translator.release();
  }
  auto qtTranslator = std::make_unique<QTranslator>();
  if (qtTranslator->load(QString::fromStdString("qtbase_" + language),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    s.qt = qtTranslator.release();
  if (s.installed && QCoreApplication::instance() != nullptr) {
    if (s.qt != nullptr) QCoreApplication::installTranslator(s.qt);
    if (s.own != nullptr) QCoreApplication::installTranslator(s.own);
  }
}

State& chosenState(std::unique_lock<std::recursive_mutex>& lock) {
  State& s = state();
  lock = std::unique_lock<std::recursive_mutex>(s.mutex);
  if (!s.chosen) load(s, chooseLanguage(fromEnvironment));
  return s;
}

}  // namespace

std::string translate(const char* context, const char* source) {
  std::unique_lock<std::recursive_mutex> lock;
  State& s = chosenState(lock);
  if (s.own != nullptr) {
    const QString text = s.own->translate(context, source);
    if (!text.isEmpty()) return text.toStdString();
  }
  return source;
}

std::string chooseLanguage(const std::function<const char*(const char*)>& environment) {
  std::string locale;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = environment(name);
    if (value != nullptr && *value != '\0') {
      locale = value;
      break;
    }
  }
  if (locale.empty() || locale == "C" || locale.starts_with("C.") || locale == "POSIX") return {};
  if (const char* list = environment("LANGUAGE"); list != nullptr) {
    const std::string names = list;
    for (std::size_t at = 0; at <= names.size();) {
      const std::size_t end = std::min(names.find(':', at), names.size());
      if (end > at) {
        if (std::string found = catalogueFor(names.substr(at, end - at)); !found.empty()) return found;
      }
      at = end + 1;
    }
  }
  return catalogueFor(locale);
}

std::string currentLanguage() {
  std::unique_lock<std::recursive_mutex> lock;
  return chosenState(lock).language;
}

void useLanguage(const std::string& language) {
  State& s = state();
  const std::lock_guard<std::recursive_mutex> lock(s.mutex);
  load(s, language);
}

void installTranslations() {
  std::unique_lock<std::recursive_mutex> lock;
  State& s = chosenState(lock);
  if (s.installed || QCoreApplication::instance() == nullptr) return;
  s.installed = true;
  if (s.qt != nullptr) QCoreApplication::installTranslator(s.qt);
  if (s.own != nullptr) QCoreApplication::installTranslator(s.own);
}

}  // namespace resources
