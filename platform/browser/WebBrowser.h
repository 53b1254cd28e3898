// The embedded web browser control the page retrieval drives: navigate to a page or to the empty
// page, report how far the document has loaded, and hand over the current document's source.
#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// How far the current document has loaded, on the browser control's usual scale.
enum BrowserReadyState : int {
  Uninitialized = 0,  // nothing loaded yet
  Loading = 1,
  Loaded = 2,
  Interactive = 3,  // the document can be read, though parts may still arrive
  Complete = 4,
};

// The current document's source as the control hands it over.
struct PageSource {
  enum class Kind {
    NoDocument,  // no document to read yet
    Unreadable,  // a document is there but its source could not be copied out
    Text,        // `bytes` holds the source (UTF-8)
  };
  Kind state = Kind::NoDocument;
  std::string bytes;
};

// Raised when the control refuses a request (an address it cannot load, an engine that cannot start).
class BrowserError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class WebBrowser {
 public:
  virtual ~WebBrowser() = default;

  // Starts loading `address`; returns at once. Raises BrowserError when the request is refused.
  virtual void navigate(const std::string& address) = 0;
  // Starts loading the empty page "about:blank".
  virtual void navigateBlank() = 0;
  // How far the document of the last navigation has loaded (BrowserReadyState).
  virtual int readyState() = 0;
  // The current document's source, as far as it is known now.
  virtual PageSource source() = 0;
};

}  // namespace platform
