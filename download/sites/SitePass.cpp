#include "download/sites/SitePass.h"

#include "common/Text.h"
#include "download/PageSearch.h"
#include "download/VideoFileName.h"

namespace download::sites {

ExtractOutcome nothingYet(const Pass& pass) {
  return pass.fields.downloadUrl.empty() ? ExtractOutcome::NothingYet : ExtractOutcome::Found;
}

std::optional<std::string_view> between(std::string_view page, std::string_view open, std::string_view close,
                                        bool ignoreCase) {
  const std::size_t start = ignoreCase ? common::findNoCase(page, open) : findText(page, open);
  if (start == kNotFound) return std::nullopt;
  const std::string_view rest = restAfter(page, start, open.size());
  const std::size_t end = ignoreCase ? common::findNoCase(rest, close) : findText(rest, close);
  if (end == kNotFound) return std::nullopt;
  return rest.substr(0, end);
}

void keepTitle(Pass& pass, std::string_view title) {
  if (pass.fields.title != nullptr) *pass.fields.title = titleText(title);
}

bool setStreamAddress(Pass& pass, std::string address) {
  if (address.size() > kMaxStreamAddressBytes) return false;
  pass.fields.downloadUrl = std::move(address);
  return true;
}

}  // namespace download::sites
