// The rules of the Metacafe site's pages: the title, and the stream address made of the item file's name.
#include "common/Text.h"
#include "download/PageSearch.h"
#include "download/VideoFileName.h"
#include "download/sites/SitePass.h"

namespace download::sites {

BlockEnd runMetacafe(Pass& pass) {
  std::string& fileName = pass.fields.fileName;
  fileName.clear();
  if (const auto title = between(pass.page, "<title>", "- Video", true)) {
    fileName = makeFileName(*title, ".flv");
    if (!fileName.empty()) keepTitle(pass, *title);
  }

  // The item file's name: from the last "%2520" before the first ".flv" up to the end of that ".flv".
  // The two markers share no character, so every "%2520" that starts before the ".flv" ends before it.
  const std::size_t flv = common::findNoCase(pass.page, ".flv");
  if (flv == kNotFound) return nothingYet(pass);
  const std::size_t separator = pass.page.substr(0, flv).rfind("%2520");
  if (separator == kNotFound) return nothingYet(pass);
  const std::size_t start = separator + 5;
  const std::string_view piece = pass.page.substr(start, flv + 4 - start);

  if (fileName.empty())
    fileName = makeFileName(piece.substr(0, piece.size() - 4), piece.substr(piece.size() - 4));
  std::string stream =
      "http://" + pass.sites.metacafeFileHost + "/ItemFiles/%5BFrom%20" + pass.sites.metacafeHost + "%5D%20";
  stream.append(piece);
  if (!setStreamAddress(pass, std::move(stream))) return nothingYet(pass);
  return std::nullopt;
}

}  // namespace download::sites
