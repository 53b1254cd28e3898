// A conversion that cannot be started; what() is the text for the application's error box.
#pragma once

#include <stdexcept>

namespace convert {

class ConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace convert
