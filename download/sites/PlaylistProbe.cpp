#include "download/sites/PlaylistProbe.h"

#include "common/Addresses.h"
#include "common/Text.h"
#include "download/ResolverOutput.h"
#include "download/sites/ResolverLocator.h"
#include "resources/Translations.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <string_view>
#include <utility>

namespace download {
namespace {

std::string text(const QJsonValue& value) {
  return value.isString() ? value.toString().toStdString() : std::string();
}

// A title fit to show and to tag: control characters become blanks, blanks around it go, at most
// kMaxPlaylistTitle bytes (cut before a UTF-8 sequence, never inside one).
std::string cleanTitle(const std::string& title) {
  std::string clean;
  clean.reserve(std::min(title.size(), kMaxPlaylistTitle));
  for (const char c : title) {
    const auto byte = static_cast<unsigned char>(c);
    clean += byte < 0x20 || byte == 0x7F ? ' ' : c;
  }
  clean = common::trim(clean, common::Trim::Spaces);
  if (clean.size() > kMaxPlaylistTitle) {
    std::size_t cut = kMaxPlaylistTitle;
    while (cut > 0 && (static_cast<unsigned char>(clean[cut]) & 0xC0) == 0x80) --cut;
    clean.resize(cut);
  }
  return clean;
}

// The entry's page: its "url", else its "webpage_url", when that is a web address of a sane length.
std::string entryAddress(const QJsonObject& entry) {
  for (const char* key : {"url", "webpage_url"}) {
    const std::string url = text(entry.value(key));
    if (url.size() <= kMaxStreamUrl && common::isWebAddress(url)) return url;
  }
  return {};
}

PlaylistAnswer failed(std::string why) {
  PlaylistAnswer answer;
  answer.message = std::move(why);
  return answer;
}

}  // namespace

bool mayHoldPlaylist(const std::string& address) {
  if (!common::isWebAddress(address)) return false;
  std::string_view rest(address);
  rest.remove_prefix(rest.find("//") + 2);
  rest = rest.substr(0, rest.find('#'));
  const std::size_t slash = rest.find_first_of("/?");
  if (slash == std::string_view::npos) return false;
  rest.remove_prefix(slash);
  const std::size_t mark = rest.find('?');
  const std::string_view path = rest.substr(0, mark);
  const std::string_view query = mark == std::string_view::npos ? std::string_view() : rest.substr(mark + 1);
  // A query parameter named "list".
  for (std::size_t at = 0; at <= query.size();) {
    const std::size_t end = std::min(query.find('&', at), query.size());
    const std::string_view parameter = query.substr(at, end - at);
    if (common::equalsNoCase(parameter.substr(0, parameter.find('=')), "list") &&
        parameter.find('=') != std::string_view::npos && parameter.size() > 5)
      return true;
    at = end + 1;
  }
  // A path part that names a list.
  for (std::size_t at = 0; at < path.size();) {
    const std::size_t end = std::min(path.find('/', at), path.size());
    const std::string_view part = path.substr(at, end - at);
    for (const char* name : {"playlist", "playlists", "sets", "album"})
      if (common::equalsNoCase(part, name)) return true;
    at = end + 1;
  }
  return false;
}

PlaylistAnswer readPlaylistOutput(const std::string& output) {
  QJsonObject page;
  std::string why;
  if (!readResolverDocument(output, page, why)) return failed(std::move(why));
  const std::string type = text(page.value("_type"));
  PlaylistAnswer answer;
  answer.title = cleanTitle(text(page.value("title")));
  if (type != "playlist" && type != "multi_video") {
    answer.status = PlaylistAnswer::Status::Video;
    return answer;
  }
  if (!page.value("entries").isArray())
    return failed(resources::translate("PlaylistProbe", "the list holds no entries"));
  const QJsonArray entries = page.value("entries").toArray();
  for (const QJsonValue& value : entries) {
    const std::string url = value.isObject() ? entryAddress(value.toObject()) : std::string();
    if (url.empty() || answer.entries.size() == kMaxPlaylistEntries) {
      ++answer.leftOut;
      continue;
    }
    answer.entries.push_back({url, cleanTitle(text(value.toObject().value("title")))});
  }
  if (answer.entries.empty()) return failed(resources::translate("PlaylistProbe", "the list holds no video"));
  answer.status = PlaylistAnswer::Status::Playlist;
  return answer;
}

PlaylistProbe::~PlaylistProbe() {
  stop();
}

void PlaylistProbe::start(const std::string& page, Done done) {
  page_ = page;
  done_ = std::move(done);
  const std::string program = resolverProgram();
  // The page comes after "--": whatever it holds, it is never read as an option.
  process_.start(
      program, {program, "--ignore-config", "--flat-playlist", "-J", "--no-progress", "--", page},
      {.outputCap = kMaxResolverOutput, .errorCap = 64 * 1024, .timeLimitMs = resolverTimeLimitMs()},
      [this](ProcessRun run) { onEnded(run); });
}

void PlaylistProbe::stop() {
  done_ = nullptr;
  process_.stop();
}

void PlaylistProbe::onEnded(const ProcessRun& run) {
  PlaylistAnswer answer;
  const std::string failure = resolverRunFailure(run, resolverTimeLimitMs());
  if (!failure.empty()) {
    answer = failed(failure);
  } else if (run.outputTooLong) {
    answer = failed(
        resources::translate("PlaylistProbe", "yt-dlp gave no usable answer: the output is too large"));
  } else {
    answer = readPlaylistOutput(run.output);
    if (answer.status == PlaylistAnswer::Status::Failed)
      answer.message = common::fillIn(
          resources::translate("PlaylistProbe", "yt-dlp gave no usable answer: %1"), {answer.message});
  }
  Done done = std::move(done_);
  done_ = nullptr;
  if (done) done(std::move(answer));
}

}  // namespace download
