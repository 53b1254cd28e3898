#include "resources/Strings.h"

#include <map>

namespace resources {
namespace {

// 65205 ends with the example watch-page address, which the site configuration supplies; the table
// keeps the default site's example.
const std::map<StringId, std::string>& table() {
  static const std::map<StringId, std::string> kTable = {
      {StringId::EnterUsername, "Please enter Username."},
      {StringId::EnterPassword, "Please enter Password."},
      {StringId::ProductPage, "https://clipwave.karvel.example/"},
      {StringId::DonationPage, "https://clipwave.karvel.example/donate"},
      {StringId::Title, "Karvel Clipwave"},
      {StringId::EnterVideoUrl, "Please enter video URL!"},
      {StringId::SelectLocalFile, "Please select a local video file!"},
      {StringId::SelectDirectory, "Please select the directory to add"},
      {StringId::UnableGetHtmlRetry, "Unable get html from the url. Please try again later!"},
      {StringId::EnterUrlLike, "Please enter the url like http://www.youtube.com/watch?v=Xq0TXIuQ5zk"},
      {StringId::UnableGetHtmlFrom, "Unable get html from "},
      {StringId::Received, "received"},
      {StringId::SelectVideoFile, "Select video file:"},
      {StringId::EnterVideoUrlExample, "Enter video URL (Example: "},
      {StringId::Overwrite, " has existed,overite it?"},
      {StringId::OutputDirMissing, " the output directory does not exist."},
      {StringId::CreateDirectory, "creates a new directory?"},
      {StringId::ConvertProcessError, "Error while creating convert process!"},
      {StringId::OutputInUse, "Video file will be created may be used, convert process failed!"},
      {StringId::CheckVideoFile, "Please check whether the video file exist."},
  };
  return kTable;
}

}  // namespace

std::string loadString(StringId id) {
  auto it = table().find(id);
  return it == table().end() ? std::string() : it->second;
}

}  // namespace resources
