// The program's string table (texts 65184 to 65215), loaded by number.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace resources {

enum class StringId {
  EnterUsername = 65184,
  EnterPassword = 65185,
  ProductPage = 65186,
  DonationPage = 65187,
  Title = 65200,
  EnterVideoUrl = 65201,
  SelectLocalFile = 65202,
  SelectDirectory = 65203,
  UnableGetHtmlRetry = 65204,
  EnterUrlLike = 65205,
  UnableGetHtmlFrom = 65206,
  Received = 65207,
  SelectVideoFile = 65208,
  EnterVideoUrlExample = 65209,
  Overwrite = 65210,
  OutputDirMissing = 65211,
  CreateDirectory = 65212,
  ConvertProcessError = 65213,
  OutputInUse = 65214,
  CheckVideoFile = 65215,
};

// The text with this number in the user's language; empty for a number outside the table.
std::string loadString(StringId id);

// The text with its %1 (and %2 ...) replaced by `args`: the file, folder or address it is about.
std::string loadString(StringId id, std::initializer_list<std::string_view> args);

}  // namespace resources
