#include "download/sites/PagePicture.h"

#include "common/Text.h"

#include <optional>

namespace download {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The attributes of one tag that matter here.
struct MetaTag {
  std::string property;  // `property`, else `name`
  std::string content;
};

// Reads the attributes of a tag from just after its name up to its '>' (exclusive). Attribute values are
// quoted with " or ', or run to the next blank.
MetaTag readAttributes(std::string_view tag) {
  MetaTag meta;
  std::size_t i = 0;
  while (i < tag.size()) {
    while (i < tag.size() && (isBlank(tag[i]) || tag[i] == '/')) ++i;
    const std::size_t nameStart = i;
    while (i < tag.size() && !isBlank(tag[i]) && tag[i] != '=' && tag[i] != '/') ++i;
    const std::string name = common::lowerAscii(tag.substr(nameStart, i - nameStart));
    while (i < tag.size() && isBlank(tag[i])) ++i;
    std::string_view value;
    if (i < tag.size() && tag[i] == '=') {
      ++i;
      while (i < tag.size() && isBlank(tag[i])) ++i;
      if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
        const char quote = tag[i++];
        const std::size_t end = tag.find(quote, i);
        const std::size_t stop = end == std::string_view::npos ? tag.size() : end;
        value = tag.substr(i, stop - i);
        i = stop == tag.size() ? stop : stop + 1;
      } else {
        const std::size_t start = i;
        while (i < tag.size() && !isBlank(tag[i])) ++i;
        value = tag.substr(start, i - start);
      }
    }
    if (name == "property" || (name == "name" && meta.property.empty())) {
      meta.property = common::lowerAscii(value);
    } else if (name == "content") {
      meta.content = std::string(value);
    }
    if (i == nameStart) ++i;  // a stray character: step over it
  }
  return meta;
}

// The address with the entities an attribute commonly holds decoded; nothing when it cannot be fetched.
std::optional<std::string> pictureAddress(std::string_view content) {
  std::string address;
  for (std::size_t i = 0; i < content.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(content[i]);
    if (c <= 0x20 || c == 0x7f) return std::nullopt;
    if (c == '&' && content.substr(i, 5) == "&amp;") {
      address += '&';
      i += 4;
      continue;
    }
    address += static_cast<char>(c);
  }
  if (address.size() > kMaxPictureUrl) return std::nullopt;
  if (!common::startsWithNoCase(address, "http://") && !common::startsWithNoCase(address, "https://")) {
    return std::nullopt;
  }
  return address;
}

}  // namespace

std::string pagePicture(std::string_view page) {
  const std::string_view head = page.substr(0, kMaxPageHeadBytes);
  std::size_t at = 0;
  while ((at = common::findNoCase(head, "<meta", at)) != std::string_view::npos) {
    at += 5;
    if (at < head.size() && !isBlank(head[at])) continue;  // <metadata> and the like
    const std::size_t end = head.find('>', at);
    if (end == std::string_view::npos) break;
    if (end - at > kMaxMetaTagBytes) continue;
    const MetaTag meta = readAttributes(head.substr(at, end - at));
    at = end + 1;
    if (meta.property != "og:image" && meta.property != "og:image:url") continue;
    if (const std::optional<std::string> address = pictureAddress(meta.content)) return *address;
  }
  return {};
}

}  // namespace download
