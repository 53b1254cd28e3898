#include "net/tls/OpenSsl.h"

#include <dlfcn.h>

#include <mutex>

namespace tls {
namespace {

// The library of the OpenSSL version the program was built against; libcrypto comes with it as its
// dependency, so its functions are found through it too.
static_assert(OPENSSL_VERSION_MAJOR == 3, "the library's file name follows OpenSSL's major version");
constexpr const char* kLibrary = "libssl.so.3";

template <typename Function>
bool find(void* library, const char* name, Function& function, std::string& error) {
  function = reinterpret_cast<Function>(::dlsym(library, name));
  if (function == nullptr) error = std::string(kLibrary) + " has no " + name;
  return function != nullptr;
}

struct Loaded {
  OpenSsl functions{};
  std::string error;
  bool ok = false;
};

Loaded load() {
  Loaded loaded;
  void* library = ::dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = ::dlerror();
    loaded.error = why != nullptr ? why : std::string(kLibrary) + " cannot be loaded";
    return loaded;
  }
  OpenSsl& f = loaded.functions;
  std::string& e = loaded.error;
#define CLIPWAVE_FIND(name) find(library, #name, f.name, e)
  loaded.ok = CLIPWAVE_FIND(BIO_ctrl) && CLIPWAVE_FIND(BIO_ctrl_pending) && CLIPWAVE_FIND(BIO_free) &&
              CLIPWAVE_FIND(BIO_new) && CLIPWAVE_FIND(BIO_read) && CLIPWAVE_FIND(BIO_s_mem) &&
              CLIPWAVE_FIND(BIO_write) && CLIPWAVE_FIND(ERR_clear_error) &&
              CLIPWAVE_FIND(ERR_peek_last_error) && CLIPWAVE_FIND(ERR_reason_error_string) &&
              CLIPWAVE_FIND(SSL_CTX_ctrl) && CLIPWAVE_FIND(SSL_CTX_free) && CLIPWAVE_FIND(SSL_CTX_new) &&
              CLIPWAVE_FIND(SSL_CTX_set_default_verify_paths) && CLIPWAVE_FIND(SSL_CTX_set_verify) &&
              CLIPWAVE_FIND(SSL_ctrl) && CLIPWAVE_FIND(SSL_do_handshake) && CLIPWAVE_FIND(SSL_free) &&
              CLIPWAVE_FIND(SSL_get0_param) && CLIPWAVE_FIND(SSL_get_error) &&
              CLIPWAVE_FIND(SSL_get_verify_result) && CLIPWAVE_FIND(SSL_new) && CLIPWAVE_FIND(SSL_pending) &&
              CLIPWAVE_FIND(SSL_read) && CLIPWAVE_FIND(SSL_set1_host) && CLIPWAVE_FIND(SSL_set_bio) &&
              CLIPWAVE_FIND(SSL_set_connect_state) && CLIPWAVE_FIND(SSL_set_hostflags) &&
              CLIPWAVE_FIND(SSL_write) && CLIPWAVE_FIND(TLS_client_method) &&
              CLIPWAVE_FIND(X509_VERIFY_PARAM_set1_ip_asc) && CLIPWAVE_FIND(X509_verify_cert_error_string);
#undef CLIPWAVE_FIND
  return loaded;
}

}  // namespace

const OpenSsl* openSsl(std::string& error) {
  static const Loaded kLoaded = load();  // once, whichever thread comes first
  if (!kLoaded.ok) error = kLoaded.error;
  return kLoaded.ok ? &kLoaded.functions : nullptr;
}

}  // namespace tls
