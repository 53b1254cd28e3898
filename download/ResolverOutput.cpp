#include "download/ResolverOutput.h"

#include "common/Addresses.h"
#include "common/Text.h"
#include "download/StreamCookies.h"
#include "net/http/UrlParts.h"
#include "resources/Translations.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QString>

#include <algorithm>
#include <cctype>

namespace download {
namespace {

std::string text(const QJsonValue& value) {
  return value.isString() ? value.toString().toStdString() : std::string();
}

// "http" or "https" for a web address (common::isWebAddress) of at most kMaxStreamUrl bytes; empty otherwise.
std::string webScheme(const std::string& url) {
  if (url.size() > kMaxStreamUrl || !common::isWebAddress(url)) return {};
  return common::lowerAscii(url.substr(0, 5)) == "https" ? "https" : "http";
}

enum class Delivery { None, File, Segments };

// How a format is served: as one file over http: or https: (the HTTP client fetches it), as an HLS or DASH
// playlist (the converter reads it), or in a way neither can read.
Delivery deliveryOf(const QJsonObject& format) {
  const std::string protocol = common::lowerAscii(text(format.value("protocol")));
  if (protocol == "m3u8" || protocol == "m3u8_native" || protocol == "http_dash_segments" ||
      protocol == "http_dash_segments_generator") {
    const std::string manifest = text(format.value("manifest_url"));
    const bool dash = protocol.rfind("http_dash", 0) == 0;
    const std::string playlist = dash && !manifest.empty() ? manifest : text(format.value("url"));
    return webScheme(playlist).empty() ? Delivery::None : Delivery::Segments;
  }
  const std::string scheme = webScheme(text(format.value("url")));
  if (scheme.empty()) return Delivery::None;
  if (format.contains("protocol") && protocol != "http" && protocol != "https") return Delivery::None;
  // Pieces to be fetched one by one are a playlist, whatever the protocol says.
  if (format.contains("fragments") || format.contains("fragment_base_url")) return Delivery::None;
  const std::string ext = common::lowerAscii(text(format.value("ext")));
  if (ext == "m3u8" || ext == "mpd" || ext == "f4m" || ext == "ism") return Delivery::None;
  return Delivery::File;
}

// The playlist a converter opens for a segmented format: DASH's manifest, HLS's own playlist.
std::string playlistOf(const QJsonObject& format) {
  const std::string protocol = common::lowerAscii(text(format.value("protocol")));
  const std::string manifest = text(format.value("manifest_url"));
  if (protocol.rfind("http_dash", 0) == 0 && !manifest.empty()) return manifest;
  return text(format.value("url"));
}

// The bit rate that tells a format's quality: "abr" for sound alone, else "tbr"; -1 when not given.
double bitRateOf(const QJsonObject& format, bool audio) {
  const QJsonValue value = format.value(audio ? "abr" : "tbr");
  return value.isDouble() && value.toDouble() >= 0 ? value.toDouble() : -1;
}

std::int64_t chunkSizeOf(const QJsonObject& format) {
  const QJsonValue value = format.value("downloader_options").toObject().value("http_chunk_size");
  if (!value.isDouble()) return 0;
  const double size = value.toDouble();
  if (size < static_cast<double>(kMinChunkSize) || size > static_cast<double>(kMaxChunkSize)) return 0;
  return static_cast<std::int64_t>(size);
}

bool codecNone(const QJsonObject& format, const char* key) {
  return format.value(key).isString() && common::lowerAscii(text(format.value(key))) == "none";
}

bool audioOnly(const QJsonObject& format) {
  return codecNone(format, "vcodec") && format.value("acodec").isString() && !codecNone(format, "acodec");
}

// Letters and digits, 1 to 8 of them; empty for anything else.
std::string safeExt(const std::string& ext) {
  if (ext.empty() || ext.size() > 8) return {};
  if (!std::all_of(ext.begin(), ext.end(),
                   [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }))
    return {};
  return common::lowerAscii(ext);
}

bool isTokenChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 ||
         std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

// Fields the HTTP client writes itself, or that would change how the reply is framed or coded.
bool managedField(const std::string& name) {
  static const char* kManaged[] = {"host",
                                   "connection",
                                   "content-length",
                                   "transfer-encoding",
                                   "accept-encoding",
                                   "range",
                                   "keep-alive",
                                   "te",
                                   "upgrade",
                                   "expect",
                                   "proxy-connection",
                                   "proxy-authorization"};
  const std::string n = common::lowerAscii(name);
  return std::any_of(std::begin(kManaged), std::end(kManaged), [&](const char* m) { return n == m; });
}

// The request header fields of `headers` that are safe to send: a name of token characters, a value
// without line breaks or other control characters (a tab aside); at most kMaxStreamHeaders.
std::vector<std::pair<std::string, std::string>> safeHeaders(const QJsonObject& headers) {
  std::vector<std::pair<std::string, std::string>> out;
  for (auto it = headers.begin(); it != headers.end() && out.size() < kMaxStreamHeaders; ++it) {
    const std::string name = it.key().toStdString();
    const std::string value = text(it.value());
    if (name.empty() || name.size() > 64 || !std::all_of(name.begin(), name.end(), isTokenChar)) continue;
    if (value.size() > kMaxStreamHeaderValue) continue;
    if (std::any_of(value.begin(), value.end(), [](char c) {
          const auto u = static_cast<unsigned char>(c);
          return (u < 0x20 && c != '\t') || u == 0x7f;
        }))
      continue;
    if (managedField(name)) continue;
    out.emplace_back(name, value);
  }
  return out;
}

// The cookies of the resolver's "cookies" text ("a=1; Domain=.example.com; Path=/; Secure; b=2; ...").
// An attribute belongs to the cookie before it. A Domain attribute names a domain and every host below it,
// with or without its leading dot, as in a Set-Cookie field; a cookie without one belongs to `host` alone.
// Expires and Max-Age are left out: the resolver gives the cookies it holds for this download.
std::vector<platform::BrowserCookie> resolverCookies(const std::string& text, const std::string& host) {
  std::vector<platform::BrowserCookie> cookies;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    const std::string token = common::trim(text.substr(start, end - start), common::Trim::Spaces);
    start = end + 1;
    if (token.empty()) continue;
    const std::size_t equals = token.find('=');
    const std::string name = common::lowerAscii(token.substr(0, equals));
    const std::string value = equals == std::string::npos ? std::string() : token.substr(equals + 1);
    if (name == "domain" || name == "path" || name == "secure") {
      if (cookies.empty()) continue;
      platform::BrowserCookie& cookie = cookies.back();
      if (name == "secure") {
        cookie.secure = true;
      } else if (name == "path") {
        cookie.path = value;
      } else {
        std::string domain = common::lowerAscii(value);
        if (!domain.empty() && domain.front() == '.') domain.erase(0, 1);
        if (!domain.empty()) cookie.domain = "." + domain;
      }
    } else if (name == "expires" || name == "max-age" || name == "httponly" || name == "samesite") {
      continue;  // attributes that do not decide whether the stream's address gets the cookie
    } else if (equals != std::string::npos && equals > 0) {
      cookies.push_back({token.substr(0, equals), value, host, {}, false, -1});
    }
  }
  return cookies;
}

ResolverAnswer failure(std::string why) {
  ResolverAnswer answer;
  answer.error = std::move(why);
  return answer;
}

}  // namespace

bool readResolverDocument(const std::string& output, QJsonObject& document, std::string& why) {
  if (output.size() > kMaxResolverOutput) {
    why = resources::translate("ResolverOutput", "the output is too large");
    return false;
  }
  if (output.find_first_not_of(" \t\r\n") == std::string::npos) {
    why = resources::translate("ResolverOutput", "nothing was printed");
    return false;
  }
  QJsonParseError error{};
  const QJsonDocument parsed =
      QJsonDocument::fromJson(QByteArray(output.data(), static_cast<qsizetype>(output.size())), &error);
  if (error.error != QJsonParseError::NoError || !parsed.isObject()) {
    why = resources::translate("ResolverOutput", "the output is not a JSON object");
    return false;
  }
  document = parsed.object();
  return true;
}

ResolverAnswer readResolverOutput(const std::string& output) {
  QJsonObject video;
  std::string why;
  if (!readResolverDocument(output, video, why)) return failure(std::move(why));
  // A page of several videos: the first one.
  if (text(video.value("_type")) == "playlist") {
    const QJsonArray entries = video.value("entries").toArray();
    const auto first =
        std::find_if(entries.begin(), entries.end(), [](const QJsonValue& v) { return v.isObject(); });
    if (first == entries.end())
      return failure(resources::translate("ResolverOutput", "no video on the page"));
    video = first->toObject();
  }
  QJsonArray formats;
  if (video.value("formats").isArray()) {
    formats = video.value("formats").toArray();
  } else {
    formats.append(video);  // a single format, described by the video itself
  }
  QJsonObject chosen;
  bool found = false;
  bool chosenAudioOnly = false;
  Delivery chosenDelivery = Delivery::None;
  for (const QJsonValue& value : formats) {
    if (!value.isObject()) continue;
    const QJsonObject format = value.toObject();
    const Delivery delivery = deliveryOf(format);
    if (delivery == Delivery::None) continue;
    const bool audio = audioOnly(format);
    // The last audio-only format wins; a format with video only when no audio-only one came, and never
    // one that is known to have no sound.
    const bool better = audio ? true : !chosenAudioOnly && !codecNone(format, "acodec");
    if (!better) continue;
    // A playlist does not replace a single file of the same quality.
    if (found && chosenAudioOnly == audio && chosenDelivery == Delivery::File &&
        delivery == Delivery::Segments && bitRateOf(format, audio) == bitRateOf(chosen, audio))
      continue;
    chosen = format;
    found = true;
    chosenAudioOnly = audio;
    chosenDelivery = delivery;
  }
  if (!found)
    return failure(resources::translate(
        "ResolverOutput",
        "no stream served as one file over http: or https:, or as an HLS or DASH playlist"));
  ResolverAnswer answer;
  answer.found = true;
  answer.stream.segmented = chosenDelivery == Delivery::Segments;
  answer.stream.url = answer.stream.segmented ? playlistOf(chosen) : text(chosen.value("url"));
  answer.stream.audioOnly = chosenAudioOnly;
  answer.stream.chunkSize = answer.stream.segmented ? 0 : chunkSizeOf(chosen);
  const QJsonValue duration = video.value("duration");
  if (duration.isDouble() && duration.toDouble() > 0 && duration.toDouble() < 1e7)
    answer.stream.durationSeconds = duration.toDouble();
  const QJsonValue headers =
      chosen.value("http_headers").isObject() ? chosen.value("http_headers") : video.value("http_headers");
  QJsonObject fields = headers.toObject();
  // Newer resolvers give the cookies apart from the other fields, each with the domain it belongs to.
  const QJsonValue cookies =
      chosen.value("cookies").isString() ? chosen.value("cookies") : video.value("cookies");
  // The same rules as for the browser profile's cookies: the domain, path and scheme must match the stream's
  // address, and a domain that is a public suffix or lies above an IP address gets nothing.
  answer.stream.cookies =
      resolverCookies(text(cookies), common::lowerAscii(http::splitAddress(answer.stream.url).host));
  if (answer.stream.cookies.size() > kMaxStreamHeaders) answer.stream.cookies.resize(kMaxStreamHeaders);
  const std::string cookie = cookieHeaderFor(answer.stream.cookies, answer.stream.url, 0);
  if (!cookie.empty()) {
    const std::string given = text(fields.value("Cookie"));
    fields.insert("Cookie", QString::fromStdString(given.empty() ? cookie : given + "; " + cookie));
  }
  answer.stream.headers = safeHeaders(fields);
  answer.stream.title = text(video.value("title")).substr(0, 1024);
  answer.stream.ext = safeExt(text(chosen.value("ext")));
  if (answer.stream.ext.empty()) answer.stream.ext = safeExt(text(video.value("ext")));
  return answer;
}

std::string lastErrorLine(const std::string& errorOutput) {
  std::string last, lastError;
  std::size_t start = 0;
  while (start < errorOutput.size()) {
    std::size_t end = errorOutput.find_first_of("\r\n", start);
    if (end == std::string::npos) end = errorOutput.size();
    std::string line;
    for (std::size_t i = start; i < end; ++i) {
      const auto u = static_cast<unsigned char>(errorOutput[i]);
      if (u == 0x1b) {  // a colour sequence: ESC [ ... letter
        while (i + 1 < end && !std::isalpha(static_cast<unsigned char>(errorOutput[i + 1]))) ++i;
        ++i;
        continue;
      }
      if (u >= 0x20 && u != 0x7f) line.push_back(errorOutput[i]);
    }
    line = common::trim(line, common::Trim::Spaces);
    if (!line.empty()) {
      last = line;
      if (line.rfind("ERROR:", 0) == 0) lastError = line;
    }
    start = end + 1;
  }
  std::string chosen = lastError.empty() ? last : lastError;
  if (chosen.size() > 300) chosen = chosen.substr(0, 297) + "...";
  return chosen;
}

}  // namespace download
