#include "resources/Strings.h"

#include "common/Text.h"
#include "resources/Translations.h"

#include <QtGlobal>

#include <map>

namespace resources {
namespace {

// 65205 ends with the example watch-page address, which the site configuration supplies; the table
// keeps the default site's example. The program's name and its addresses are not translated; %1 stands
// for the file, folder or address that the text is about.
const std::map<StringId, const char*>& table() {
  static const std::map<StringId, const char*> kTable = {
      {StringId::EnterUsername, QT_TRANSLATE_NOOP("Strings", "Please enter Username.")},
      {StringId::EnterPassword, QT_TRANSLATE_NOOP("Strings", "Please enter Password.")},
      {StringId::ProductPage, "https://clipwave.karvel.example/"},
      {StringId::DonationPage, "https://clipwave.karvel.example/donate"},
      {StringId::Title, "Karvel Clipwave"},
      {StringId::EnterVideoUrl, QT_TRANSLATE_NOOP("Strings", "Please enter video URL!")},
      {StringId::SelectLocalFile, QT_TRANSLATE_NOOP("Strings", "Please select a local video file!")},
      {StringId::SelectDirectory, QT_TRANSLATE_NOOP("Strings", "Please select the directory to add")},
      {StringId::UnableGetHtmlRetry,
       QT_TRANSLATE_NOOP("Strings", "Unable get html from the url. Please try again later!")},
      {StringId::EnterUrlLike,
       QT_TRANSLATE_NOOP("Strings", "Please enter the url like http://www.youtube.com/watch?v=Xq0TXIuQ5zk")},
      {StringId::UnableGetHtmlFrom, QT_TRANSLATE_NOOP("Strings", "Unable get html from %1")},
      {StringId::Received, QT_TRANSLATE_NOOP("Strings", "received")},
      {StringId::SelectVideoFile, QT_TRANSLATE_NOOP("Strings", "Select video file:")},
      {StringId::EnterVideoUrlExample, QT_TRANSLATE_NOOP("Strings", "Enter video URL (Example: ")},
      {StringId::Overwrite, QT_TRANSLATE_NOOP("Strings", "%1 has existed,overite it?")},
      {StringId::OutputDirMissing, QT_TRANSLATE_NOOP("Strings", "%1, the output directory does not exist.")},
      {StringId::CreateDirectory, QT_TRANSLATE_NOOP("Strings", "creates a new directory?")},
      {StringId::ConvertProcessError, QT_TRANSLATE_NOOP("Strings", "Error while creating convert process!")},
      {StringId::OutputInUse,
       QT_TRANSLATE_NOOP("Strings", "Video file will be created may be used, convert process failed!")},
      {StringId::CheckVideoFile, QT_TRANSLATE_NOOP("Strings", "Please check whether the video file exist.")},
  };
  return kTable;
}

}  // namespace

std::string loadString(StringId id) {
  auto it = table().find(id);
  return it == table().end() ? std::string() : translate("Strings", it->second);
}

std::string loadString(StringId id, std::initializer_list<std::string_view> args) {
  return common::fillIn(loadString(id), args);
}

}  // namespace resources
