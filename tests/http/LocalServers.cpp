#include "LocalServers.h"

#include "ScriptedPeer.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace httptest {

NginxServer::NginxServer(const std::string& root) {
  port_ = testing_support::ScriptedPeer::unusedPort();
  const std::string d = dir_.path();
  std::filesystem::create_directories(d + "/logs");
  dir_.write("nginx.conf",
             "daemon off;\nmaster_process off;\nworker_processes 1;\n"
             "error_log " +
                 d + "/error.log;\npid " + d +
                 "/nginx.pid;\n"
                 "events { worker_connections 64; }\n"
                 "http {\n"
                 "  log_format plain '$connection $request $http_via range=$http_range';\n"
                 "  access_log " +
                 d +
                 "/access.log plain flush=1s buffer=1k;\n"
                 "  client_body_temp_path " +
                 d + "/body; proxy_temp_path " + d +
                 "/proxy;\n"
                 "  fastcgi_temp_path " +
                 d + "/fastcgi; uwsgi_temp_path " + d +
                 "/uwsgi;\n"
                 "  scgi_temp_path " +
                 d +
                 "/scgi;\n"
                 "  keepalive_timeout 30s;\n"
                 "  server {\n"
                 "    listen 127.0.0.1:" +
                 std::to_string(port_) +
                 ";\n"
                 "    root " +
                 root +
                 ";\n"
                 "    location / { }\n"
                 "  }\n"
                 "}\n");
  process_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"nginx", "-p", d, "-c", d + "/nginx.conf"}, d + "/output.txt");
  ready_ = process_->waitListening(port_);
}

std::string NginxServer::accessLog() const {
  std::ifstream in(dir_.file("access.log"));
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TinyProxy::TinyProxy() {
  port_ = testing_support::ScriptedPeer::unusedPort();
  const std::string d = dir_.path();
  dir_.write("tinyproxy.conf", "Port " + std::to_string(port_) +
                                   "\nListen 127.0.0.1\nTimeout 60\nMaxClients 20\n"
                                   "LogFile \"" +
                                   d +
                                   "/tinyproxy.log\"\nLogLevel Error\n"
                                   "PidFile \"" +
                                   d + "/tinyproxy.pid\"\nAllow 127.0.0.1\n");
  process_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"tinyproxy", "-d", "-c", d + "/tinyproxy.conf"}, d + "/output.txt");
  ready_ = process_->waitListening(port_);
}

Microsocks::Microsocks(const std::string& user, const std::string& password) {
  port_ = testing_support::ScriptedPeer::unusedPort();
  const std::string local = "127.0.0.1";  // where it listens and where its connections leave from
  std::vector<std::string> argv{"microsocks", "-i", local, "-b", local, "-p", std::to_string(port_)};
  if (!user.empty()) argv.insert(argv.end(), {"-u", user, "-P", password});
  process_ = std::make_unique<ChildProcess>(argv, dir_.file("output.txt"));
  ready_ = process_->waitListening(port_);
}

DanteServer::DanteServer(std::uint16_t blockedPort) {
  port_ = testing_support::ScriptedPeer::unusedPort();
  const std::string d = dir_.path();
  std::string rules = "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n";
  if (blockedPort != 0) {
    rules += "socks block { from: 0.0.0.0/0 to: 127.0.0.1/32 port = " + std::to_string(blockedPort) + " }\n";
  }
  rules += "socks pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n";
  dir_.write("danted.conf", "logoutput: " + d +
                                "/danted.log\ninternal: 127.0.0.1 port = " + std::to_string(port_) +
                                "\nexternal: 127.0.0.1\nclientmethod: none\nsocksmethod: none\n" + rules);
  process_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"danted", "-f", d + "/danted.conf", "-p", d + "/danted.pid"},
      d + "/output.txt");
  ready_ = process_->waitListening(port_);
}

std::string DanteServer::log() const {
  std::ifstream in(dir_.file("danted.log"));
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace httptest
