#include "common/FrontEnd.h"

#include "platform/Dialogs.h"
#include "resources/Strings.h"

namespace common {
namespace {

FrontEnd* installedFrontEnd = nullptr;

int box(const std::string& text, platform::DialogIcon icon, platform::DialogButtons buttons) {
  return platform::currentDialogs().messageBox(resources::loadString(resources::StringId::Title), text, icon,
                                               buttons);
}

bool ask(const std::string& question) {
  return box(question, platform::DialogIcon::Information, platform::DialogButtons::YesNo) ==
         platform::ModalResult::Yes;
}

}  // namespace

FrontEnd& frontEnd() {
  static MessageBoxFrontEnd boxes;
  return installedFrontEnd != nullptr ? *installedFrontEnd : boxes;
}

void setFrontEnd(FrontEnd* frontEnd) {
  installedFrontEnd = frontEnd;
}

bool MessageBoxFrontEnd::confirmOverwrite(const std::string& file) {
  return ask(resources::loadString(resources::StringId::Overwrite, {file}));
}

bool MessageBoxFrontEnd::confirmCreateFolder(const std::string& folder) {
  return ask(resources::loadString(resources::StringId::OutputDirMissing, {folder}) + "\r\n" +
             resources::loadString(resources::StringId::CreateDirectory));
}

void MessageBoxFrontEnd::notice(const std::string& /*item*/, const std::string& text) {
  box(text, platform::DialogIcon::Information, platform::DialogButtons::Ok);
}

void MessageBoxFrontEnd::failure(const std::string& /*item*/, const std::string& cause) {
  box(cause, platform::DialogIcon::Error, platform::DialogButtons::Ok);
}

}  // namespace common
