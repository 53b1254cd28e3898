#include "app/cli/CliFrontEnd.h"

#include "platform/TerminationSignals.h"
#include "resources/Strings.h"

namespace cli {

CliFrontEnd::CliFrontEnd(OverwritePolicy overwrite, ItemReport& report)
    : overwrite_(overwrite), report_(report) {}

bool CliFrontEnd::confirmOverwrite(const std::string& file) {
  if (overwrite_ == OverwritePolicy::Replace) return true;
  const std::string question = resources::loadString(resources::StringId::Overwrite, {file});
  Terminal& terminal = report_.terminal();
  // A kept file is told with the item's outcome.
  return overwrite_ == OverwritePolicy::Ask && terminal.canAsk() && terminal.ask(question);
}

bool CliFrontEnd::confirmCreateFolder(const std::string& /*folder*/) {
  return true;
}

void CliFrontEnd::notice(const std::string& item, const std::string& text) {
  report(item, text);
}

void CliFrontEnd::failure(const std::string& item, const std::string& cause) {
  report(item, cause);
}

void CliFrontEnd::report(const std::string& item, const std::string& text) {
  // After Ctrl-C what fails on the way out (the converter stopped by the same signal, say) is the
  // stop itself, not a fault to report.
  if (platform::TerminationSignals::first() != 0) return;
  report_.fail(item, text);
}

}  // namespace cli
