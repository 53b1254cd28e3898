// OpenSSL's functions as the TLS session uses them, from the library loaded on the first HTTPS
// connection rather than at every start of the program (it would add two large libraries to each start,
// though most jobs never open a TLS connection).
#pragma once

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <string>

namespace tls {

// The members are named as the library's functions they stand for, so that OpenSSL's own macros
// (SSL_set_tlsext_host_name and the like, which expand to calls of SSL_ctrl and its kin) work on them.
// NOLINTBEGIN(readability-identifier-naming)
struct OpenSsl {
  decltype(&::BIO_ctrl) BIO_ctrl;
  decltype(&::BIO_ctrl_pending) BIO_ctrl_pending;
  decltype(&::BIO_free) BIO_free;
  decltype(&::BIO_new) BIO_new;
  decltype(&::BIO_read) BIO_read;
  decltype(&::BIO_s_mem) BIO_s_mem;
  decltype(&::BIO_write) BIO_write;
  decltype(&::ERR_clear_error) ERR_clear_error;
  decltype(&::ERR_peek_last_error) ERR_peek_last_error;
  decltype(&::ERR_reason_error_string) ERR_reason_error_string;
  decltype(&::SSL_CTX_ctrl) SSL_CTX_ctrl;
  decltype(&::SSL_CTX_free) SSL_CTX_free;
  decltype(&::SSL_CTX_new) SSL_CTX_new;
  decltype(&::SSL_CTX_set_default_verify_paths) SSL_CTX_set_default_verify_paths;
  decltype(&::SSL_CTX_set_verify) SSL_CTX_set_verify;
  decltype(&::SSL_ctrl) SSL_ctrl;
  decltype(&::SSL_do_handshake) SSL_do_handshake;
  decltype(&::SSL_free) SSL_free;
  decltype(&::SSL_get0_param) SSL_get0_param;
  decltype(&::SSL_get_error) SSL_get_error;
  decltype(&::SSL_get_verify_result) SSL_get_verify_result;
  decltype(&::SSL_new) SSL_new;
  decltype(&::SSL_pending) SSL_pending;
  decltype(&::SSL_read) SSL_read;
  decltype(&::SSL_set1_host) SSL_set1_host;
  decltype(&::SSL_set_bio) SSL_set_bio;
  decltype(&::SSL_set_connect_state) SSL_set_connect_state;
  decltype(&::SSL_set_hostflags) SSL_set_hostflags;
  decltype(&::SSL_write) SSL_write;
  decltype(&::TLS_client_method) TLS_client_method;
  decltype(&::X509_VERIFY_PARAM_set1_ip_asc) X509_VERIFY_PARAM_set1_ip_asc;
  decltype(&::X509_verify_cert_error_string) X509_verify_cert_error_string;
};
// NOLINTEND(readability-identifier-naming)

// The functions, the library loaded the first time (it then stays loaded); nullptr with `error` saying
// why when the library or one of its functions cannot be found. Thread-safe.
const OpenSsl* openSsl(std::string& error);

}  // namespace tls
