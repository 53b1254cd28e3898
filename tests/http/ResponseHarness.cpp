#include "ResponseHarness.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace httptest {
namespace {

using namespace http;

class PiecesSource final : public ByteSource {
 public:
  PiecesSource(const std::string& data, const std::vector<std::size_t>& pieces)
      : data_(data), pieces_(pieces) {}
  int receive(void* buffer, int size) override {
    if (pos_ >= data_.size()) return 0;
    std::size_t piece = data_.size();
    if (!pieces_.empty()) piece = std::max<std::size_t>(1, pieces_[std::min(next_, pieces_.size() - 1)]);
    ++next_;
    std::size_t n = std::min({piece, data_.size() - pos_, static_cast<std::size_t>(size)});
    std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return static_cast<int>(n);
  }
  bool empty() const { return pos_ >= data_.size(); }

 private:
  const std::string& data_;
  const std::vector<std::size_t>& pieces_;
  std::size_t pos_ = 0;
  std::size_t next_ = 0;
};

// A memory stream that can be told to fail, like a full disk.
class FailingStream final : public Stream {
 public:
  explicit FailingStream(int failAfter) : failAfter_(failAfter) {}
  void write(const void* data, std::size_t len) override {
    if (failAfter_ >= 0 && written.size() + len > static_cast<std::size_t>(failAfter_)) {
      throw StreamError("Write error: No space left on device");
    }
    written.append(static_cast<const char*>(data), len);
  }
  std::size_t read(void*, std::size_t) override { return 0; }
  std::int64_t size() override { return static_cast<std::int64_t>(written.size()); }
  void setSize(std::int64_t size) override { written.resize(static_cast<std::size_t>(size)); }
  std::int64_t position() override { return size(); }
  void seek(std::int64_t) override {}
  std::string written;

 private:
  int failAfter_;
};

class RecordingHost final : public HttpResponseHost {
 public:
  explicit RecordingHost(const ResponseRun& run) : run_(run) {}
  ResponseResult result;

  void waitingForBody() override { log("WaitingBody"); }
  void headerBegin() override { log("HeaderBegin"); }
  void headerData() override { log("HeaderData"); }
  void headerEnd() override { log("HeaderEnd"); }
  void docBegin() override { log("DocBegin"); }
  void docData(const char*, int len) override { log("DocData " + std::to_string(len)); }
  void docEnd() override { log("DocEnd"); }
  void cookieReceived(const std::string& data, bool&) override { log("Cookie " + data); }
  bool locationHeader(const std::string& value) override {
    log("Location " + value);
    return run_.followLocation;
  }
  void unexpectedData(std::uint16_t) override { log("UnexpectedData"); }
  void nonHttpStatusLine() override { log("NonHttpStatusLine"); }
  void setRequestDoneError(std::uint16_t error) override { result.error = error; }
  void setReady() override { end("ready"); }
  void startRelocation() override { end("relocate"); }
  void closeDelayed() override { end("close"); }
  void abortConnection() override { end("abort"); }

 private:
  void log(const std::string& e) {
    if (result.events.size() < 100000) result.events.push_back(e);
  }
  void end(const std::string& how) {
    log(how);
    if (result.ending.empty() || how == "abort") result.ending = how;
  }
  const ResponseRun& run_;
};

}  // namespace

int ResponseResult::count(const std::string& event) const {
  return static_cast<int>(std::count(events.begin(), events.end(), event));
}

ResponseResult runResponse(const std::string& bytes, const ResponseRun& run) {
  RecordingHost host(run);
  HttpResponseParser parser(host);
  parser.setStateTrace([&](HttpResponseParser::State, HttpResponseParser::State to) {
    host.result.states.push_back(HttpResponseParser::stateName(to));
  });
  FailingStream stream(run.failWriteAfter);
  parser.setReceiveStream(&stream);
  parser.beginRequest(run.request == "HEAD" ? RequestType::Head : RequestType::Get, run.requestVer);
  parser.values().documentName = run.documentName;
  if (run.requestSent) parser.expectResponse();
  PiecesSource source(bytes, run.pieces);
  bool ended = false;
  while (!source.empty() && host.result.ending != "abort") {
    parser.dataAvailable(source, 0);
    if (run.endOnReady && !ended && host.result.ending == "ready") {
      ended = true;
      parser.requestEnded();
    }
  }
  const std::string& ending = host.result.ending;
  if (run.closeAtEnd || ending == "close" || ending == "abort")
    parser.connectionClosed(ending != "abort", run.resetAtEnd ? "was reset" : "");
  host.result.body = stream.written;
  host.result.values = parser.values();
  host.result.heldBytes = parser.heldBytes();
  return host.result;
}

void fuzzOneResponse(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return;
  ResponseRun run;
  run.requestVer = (data[0] & 1) ? "1.1" : "1.0";
  run.request = (data[0] & 2) ? "HEAD" : "GET";
  run.followLocation = (data[0] & 4) != 0;
  run.closeAtEnd = (data[0] & 8) != 0;
  run.failWriteAfter = (data[0] & 16) ? data[1] * 16 : -1;
  run.endOnReady = (data[0] & 32) != 0;
  run.resetAtEnd = (data[0] & 64) != 0;
  for (int i = 2; i < 4; ++i) run.pieces.push_back(data[i] == 0 ? 8190 : data[i]);
  std::string bytes(reinterpret_cast<const char*>(data) + 4, size - 4);
  ResponseResult r = runResponse(bytes, run);
  // Invariants for any input: nothing beyond what arrived reaches the stream, counts agree, the
  // buffer stays within its bound, and an error always comes with a text.
  if (r.body.size() > bytes.size()) std::abort();
  if (r.values.receivedCount < static_cast<std::int64_t>(r.body.size())) std::abort();
  if (r.heldBytes < 0 || r.heldBytes > HttpResponseParser::kBufferFill) std::abort();
  if (r.error != 0 && r.values.statusText.empty()) std::abort();
  if (r.values.bodyLength < -1) std::abort();
}

}  // namespace httptest
