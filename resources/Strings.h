// The program's string table (texts 65184 to 65215), loaded by number.
#pragma once

#include <string>

namespace resources {

enum StringId : int {
  sEnterUsername = 65184,
  sEnterPassword = 65185,
  sProductPage = 65186,
  sDonationPage = 65187,
  sTitle = 65200,
  sEnterVideoUrl = 65201,
  sSelectLocalFile = 65202,
  sSelectDirectory = 65203,
  sUnableGetHtmlRetry = 65204,
  sEnterUrlLike = 65205,
  sUnableGetHtmlFrom = 65206,
  sReceived = 65207,
  sSelectVideoFile = 65208,
  sEnterVideoUrlExample = 65209,
  sOverwrite = 65210,
  sOutputDirMissing = 65211,
  sCreateDirectory = 65212,
  sConvertProcessError = 65213,
  sOutputInUse = 65214,
  sCheckVideoFile = 65215,
};

// The text with this number; empty for a number outside the table.
std::string LoadStr(int id);

}  // namespace resources
