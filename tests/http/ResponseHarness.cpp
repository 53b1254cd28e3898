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
  int Receive(void* buffer, int size) override {
    if (pos_ >= data_.size()) return 0;
    std::size_t piece = data_.size();
    if (!pieces_.empty()) piece = std::max<std::size_t>(1, pieces_[std::min(next_, pieces_.size() - 1)]);
    ++next_;
    std::size_t n = std::min({piece, data_.size() - pos_, static_cast<std::size_t>(size)});
    std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return static_cast<int>(n);
  }
  bool Empty() const { return pos_ >= data_.size(); }

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
  void Write(const void* data, std::size_t len) override {
    if (failAfter_ >= 0 && data_.size() + len > static_cast<std::size_t>(failAfter_)) {
      throw StreamError("Write error: No space left on device");
    }
    data_.append(static_cast<const char*>(data), len);
  }
  std::size_t Read(void*, std::size_t) override { return 0; }
  std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }
  void SetSize(std::int64_t size) override { data_.resize(static_cast<std::size_t>(size)); }
  std::int64_t Position() override { return Size(); }
  void Seek(std::int64_t) override {}
  std::string data_;

 private:
  int failAfter_;
};

class RecordingHost final : public HttpResponseHost {
 public:
  explicit RecordingHost(const ResponseRun& run) : run_(run) {}
  HttpResponseParser* parser = nullptr;
  ResponseResult result;
  HttpState state = HttpState::WaitingHeader;

  HttpState State() const override { return state; }
  void SetState(HttpState s) override {
    state = s;
    Log(s == HttpState::WaitingBody ? "WaitingBody" : "State");
  }
  void HeaderBegin() override { Log("HeaderBegin"); }
  void HeaderData() override { Log("HeaderData"); }
  void HeaderEnd() override { Log("HeaderEnd"); }
  void DocBegin() override { Log("DocBegin"); }
  void DocData(const char*, int len) override { Log("DocData " + std::to_string(len)); }
  void DocEnd() override { Log("DocEnd"); }
  void CookieReceived(const std::string& data, bool&) override { Log("Cookie " + data); }
  void LocationHeader(const std::string& value) override {
    Log("Location " + value);
    if (run_.followLocation) parser->Values().LocationFlag = true;
  }
  void DataPush(std::uint16_t) override { Log("DataPush"); }
  void DataPush2() override { Log("DataPush2"); }
  void SetRequestDoneError(std::uint16_t error) override { result.error = error; }
  void SetReady() override { End("ready"); }
  void StartRelocation() override { End("relocate"); }
  void CloseDelayed() override { End("close"); }
  void AbortConnection() override { End("abort"); }

 private:
  void Log(const std::string& e) {
    if (result.events.size() < 100000) result.events.push_back(e);
  }
  void End(const std::string& how) {
    Log(how);
    if (result.ending.empty() || how == "abort") result.ending = how;
  }
  const ResponseRun& run_;
};

}  // namespace

int ResponseResult::count(const std::string& event) const {
  return static_cast<int>(std::count(events.begin(), events.end(), event));
}

ResponseResult RunResponse(const std::string& bytes, const ResponseRun& run) {
  RecordingHost host(run);
  HttpResponseParser parser(host);
  host.parser = &parser;
  FailingStream stream(run.failWriteAfter);
  parser.SetReceiveStream(&stream);
  parser.BeginRequest(run.request == "HEAD" ? RequestType::Head : RequestType::Get, run.requestVer);
  parser.Values().DocumentName = run.documentName;
  PiecesSource source(bytes, run.pieces);
  while (!source.Empty() && host.result.ending != "abort") parser.DataAvailable(source, 0);
  const std::string& ending = host.result.ending;
  if (run.closeAtEnd || ending == "close" || ending == "abort") parser.ConnectionClosed(ending != "abort");
  host.result.body = stream.data_;
  host.result.values = parser.Values();
  host.result.heldBytes = parser.HeldBytes();
  return host.result;
}

void FuzzOneResponse(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return;
  ResponseRun run;
  run.requestVer = (data[0] & 1) ? "1.1" : "1.0";
  run.request = (data[0] & 2) ? "HEAD" : "GET";
  run.followLocation = (data[0] & 4) != 0;
  run.closeAtEnd = (data[0] & 8) != 0;
  run.failWriteAfter = (data[0] & 16) ? data[1] * 16 : -1;
  for (int i = 2; i < 4; ++i) run.pieces.push_back(data[i] == 0 ? 8190 : data[i]);
  std::string bytes(reinterpret_cast<const char*>(data) + 4, size - 4);
  ResponseResult r = RunResponse(bytes, run);
  // Invariants for any input: nothing beyond what arrived reaches the stream, counts agree, the
  // buffer stays within its bound, and an error always comes with a text.
  if (r.body.size() > bytes.size()) std::abort();
  if (r.values.ReceivedCount < static_cast<std::int64_t>(r.body.size())) std::abort();
  if (r.heldBytes < 0 || r.heldBytes > HttpResponseParser::kBufferFill) std::abort();
  if (r.error != 0 && r.values.StatusText.empty()) std::abort();
  if (r.values.BodyLength < -1) std::abort();
}

}  // namespace httptest
