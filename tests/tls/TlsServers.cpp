#include "TlsServers.h"

#include "ScriptedPeer.h"

#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace tlstest {

int runProgram(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  if (::posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TestAuthority::TestAuthority() {
  ready_ = runProgram({"sh", CLIPWAVE_TLS_TEST_DIR "/make_test_ca.sh", dir_.path()}) == 0;
}

TlsNginx::TlsNginx(const std::string& root, const TestAuthority& authority) {
  using testing_support::ScriptedPeer;
  const std::string d = dir_.path();
  std::filesystem::create_directories(d + "/logs");
  good_ = ScriptedPeer::unusedPort();
  expired_ = ScriptedPeer::unusedPort();
  self_ = ScriptedPeer::unusedPort();
  other_ = ScriptedPeer::unusedPort();
  plain_ = ScriptedPeer::unusedPort();
  auto tlsServer = [&](std::uint16_t port, const std::string& name) {
    return "  server {\n    listen 127.0.0.1:" + std::to_string(port) + " ssl;\n    ssl_certificate " +
           authority.file(name + ".pem") + ";\n    ssl_certificate_key " + authority.file(name + ".key") +
           ";\n    root " + root + ";\n    location /to-plain/ { rewrite ^/to-plain/(.*)$ http://127.0.0.1:" +
           std::to_string(plain_) + "/$1 redirect; }\n    location / { }\n  }\n";
  };
  dir_.write(
      "nginx.conf",
      "daemon off;\nmaster_process off;\nworker_processes 1;\nerror_log " + d + "/error.log;\npid " + d +
          "/nginx.pid;\nevents { worker_connections 64; }\nhttp {\n"
          "  log_format plain '$server_port $connection $request';\n  access_log " +
          d + "/access.log plain;\n  client_body_temp_path " + d + "/body; proxy_temp_path " + d +
          "/proxy;\n  fastcgi_temp_path " + d + "/fastcgi; uwsgi_temp_path " + d +
          "/uwsgi;\n  scgi_temp_path " + d +
          "/scgi;\n  ssl_protocols TLSv1.2 TLSv1.3;\n  keepalive_timeout 30s;\n" + tlsServer(good_, "good") +
          tlsServer(expired_, "expired") + tlsServer(self_, "self") + tlsServer(other_, "other") +
          "  server {\n    listen 127.0.0.1:" + std::to_string(plain_) + ";\n    root " + root +
          ";\n    location /to-tls/ { rewrite ^/to-tls/(.*)$ https://localhost:" + std::to_string(good_) +
          "/$1 redirect; }\n    location / { }\n  }\n}\n");
  process_ = std::make_unique<httptest::ChildProcess>(
      std::vector<std::string>{"nginx", "-p", d, "-c", d + "/nginx.conf"}, d + "/output.txt");
  ready_ = true;
  for (std::uint16_t port : {good_, expired_, self_, other_, plain_})
    ready_ = ready_ && process_->waitListening(port);
}

std::string TlsNginx::accessLog() const {
  std::ifstream in(dir_.file("access.log"));
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace tlstest
