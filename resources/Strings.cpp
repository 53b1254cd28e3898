#include "resources/Strings.h"

#include <map>

namespace resources {
namespace {

// 65205 ends with the example watch-page address, which the site configuration supplies; the table
// keeps the default site's example.
const std::map<int, std::string>& Table() {
  static const std::map<int, std::string> table = {
      {sEnterUsername, "Please enter Username."},
      {sEnterPassword, "Please enter Password."},
      {sProductPage, "https://clipwave.karvel.example/"},
      {sDonationPage, "https://clipwave.karvel.example/donate"},
      {sTitle, "Karvel Clipwave"},
      {sEnterVideoUrl, "Please enter video URL!"},
      {sSelectLocalFile, "Please select a local video file!"},
      {sSelectDirectory, "Please select the directory to add"},
      {sUnableGetHtmlRetry, "Unable get html from the url. Please try again later!"},
      {sEnterUrlLike, "Please enter the url like http://www.youtube.com/watch?v=Xq0TXIuQ5zk"},
      {sUnableGetHtmlFrom, "Unable get html from "},
      {sReceived, "received"},
      {sSelectVideoFile, "Select video file:"},
      {sEnterVideoUrlExample, "Enter video URL (Example: "},
      {sOverwrite, " has existed,overite it?"},
      {sOutputDirMissing, " the output directory does not exist."},
      {sCreateDirectory, "creates a new directory?"},
      {sConvertProcessError, "Error while creating convert process!"},
      {sOutputInUse, "Video file will be created may be used, convert process failed!"},
      {sCheckVideoFile, "Please check whether the video file exist."},
  };
  return table;
}

}  // namespace

std::string LoadStr(int id) {
  auto it = Table().find(id);
  return it == Table().end() ? std::string() : it->second;
}

}  // namespace resources
