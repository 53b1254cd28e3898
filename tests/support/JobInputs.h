// A job's input as tests write it: the source, the mode, the folder and the format, nothing of a list.
#pragma once

#include "download/JobInput.h"

#include <string>

namespace testing_support {

inline download::JobInput jobInput(std::string source, download::RequestMode mode, std::string outputFolder,
                                   std::string targetExt = ".mp3", std::string convertArgs = {}) {
  download::JobInput input;
  input.source = std::move(source);
  input.mode = mode;
  input.outputFolder = std::move(outputFolder);
  input.targetExt = std::move(targetExt);
  input.convertArgs = std::move(convertArgs);
  return input;
}

}  // namespace testing_support
