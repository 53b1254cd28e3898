#include "net/socket/CustomLineWSocket.h"

#include "net/socket/SocketErrors.h"

#include <algorithm>
#include <cstring>

namespace wsocket {

TCustomLineWSocket::TCustomLineWSocket() = default;

void TCustomLineWSocket::SetLineMode(bool value) {
  if (lineMode_ == value) return;
  lineMode_ = value;
  lineModeLoopCount_ = 0;
  if (!rcvdBuf_.empty() && Handle() != platform::kNoWindow) {
    platform::PostMessage(Handle(), WM_TRIGGER_DATA_AVAILABLE);
  }
}

std::int32_t TCustomLineWSocket::SendLine(const std::string& s) {
  return SendStr(s + lineEnd_);
}

void TCustomLineWSocket::WndProc(platform::Message& msg) {
  if (msg.Msg == WM_TRIGGER_DATA_AVAILABLE) {
    HandleModeSwitched();
    return;
  }
  TCustomSocksWSocket::WndProc(msg);
}

// Hands out what is held after LineMode changed: lines in line mode, everything otherwise.
void TCustomLineWSocket::HandleModeSwitched() {
  while (!rcvdBuf_.empty()) {
    const std::size_t before = rcvdBuf_.size();
    if (lineMode_) {
      DeliverLines(0);
      if (rcvdBuf_.size() == before && ++lineModeLoopCount_ > 3) return;  // no complete line held
    } else if (!TCustomSocksWSocket::TriggerDataAvailable(0) || rcvdBuf_.size() == before) {
      return;
    }
  }
}

std::int32_t TCustomLineWSocket::GetRcvdCount() {
  if (lineMode_) return static_cast<std::int32_t>(line_.size() - lineRead_);
  if (!rcvdBuf_.empty()) return static_cast<std::int32_t>(rcvdBuf_.size());
  return TCustomSocksWSocket::GetRcvdCount();
}

std::int32_t TCustomLineWSocket::DoRecv(void* buffer, std::int32_t bufferSize, int flags) {
  if (lineMode_ && !lineEnd_.empty()) {
    const std::size_t unread = line_.size() - lineRead_;
    if (unread == 0) {
      SetRecvError(WSAEWOULDBLOCK);  // only the current line is handed out in line mode
      return -1;
    }
    const std::size_t n = std::min(unread, static_cast<std::size_t>(std::max(0, bufferSize)));
    std::memcpy(buffer, line_.data() + lineRead_, n);
    lineRead_ += n;
    return static_cast<std::int32_t>(n);
  }
  if (!rcvdBuf_.empty()) {  // left from an earlier line-mode period: oldest first
    const std::size_t n = std::min(rcvdBuf_.size(), static_cast<std::size_t>(std::max(0, bufferSize)));
    std::memcpy(buffer, rcvdBuf_.data(), n);
    rcvdBuf_.erase(0, n);
    return static_cast<std::int32_t>(n);
  }
  return TCustomSocksWSocket::DoRecv(buffer, bufferSize, flags);
}

bool TCustomLineWSocket::TriggerDataAvailable(std::uint16_t errCode) {
  // The SOCKS negotiation reads its replies itself; lines start once the tunnel stands.
  if (!lineMode_ || lineEnd_.empty() || SocksNegotiating()) {
    return TCustomSocksWSocket::TriggerDataAvailable(errCode);
  }
  const std::size_t held = rcvdBuf_.size();
  if (!ReadIntoLineBuffer(errCode)) return true;
  DeliverLines(held > lineEnd_.size() ? held - lineEnd_.size() : 0);
  return true;
}

// Appends every waiting byte to the line buffer (echoed and edited as asked); false when none came.
bool TCustomLineWSocket::ReadIntoLineBuffer(std::uint16_t errCode) {
  std::int32_t waiting = TCustomSocksWSocket::GetRcvdCount();
  if (waiting < 0) return false;
  if (waiting == 0) waiting = 255;
  const std::size_t held = rcvdBuf_.size();
  rcvdBuf_.resize(held + static_cast<std::size_t>(waiting));
  const std::int32_t n = TCustomSocksWSocket::DoRecv(rcvdBuf_.data() + held, waiting, 0);
  rcvdBuf_.resize(held + static_cast<std::size_t>(std::max(0, n)));
  if (n <= 0) return false;
  if (lineEcho_) SendStr(rcvdBuf_.substr(held));
  if (lineEdit_) EditLine(held);
  return true;
}

// Backspace takes back the character before it; a tab becomes blanks up to the next multiple of 8.
void TCustomLineWSocket::EditLine(std::size_t from) {
  std::string out = rcvdBuf_.substr(0, from);
  for (std::size_t i = from; i < rcvdBuf_.size(); ++i) {
    const char c = rcvdBuf_[i];
    if (c == '\b') {
      if (!out.empty()) out.pop_back();
    } else if (c == '\t') {
      const std::size_t lineStart = out.rfind('\n');
      const std::size_t column = out.size() - (lineStart == std::string::npos ? 0 : lineStart + 1);
      out.append(8 - column % 8, ' ');
    } else {
      out.push_back(c);
    }
  }
  rcvdBuf_ = std::move(out);
}

void TCustomLineWSocket::DeliverLines(std::size_t searchFrom) {
  while (lineMode_ && !lineEnd_.empty()) {
    const std::size_t pos = rcvdBuf_.find(lineEnd_, searchFrom);
    if (pos == std::string::npos) break;
    line_ = rcvdBuf_.substr(0, pos + lineEnd_.size());
    lineRead_ = 0;
    rcvdBuf_.erase(0, line_.size());
    DeliverCurrentLine();
    searchFrom = 0;
  }
  if (lineMode_ && lineLimit_ > 0 && rcvdBuf_.size() > static_cast<std::size_t>(lineLimit_)) {
    bool clearData = true;
    TriggerLineLimitExceeded(static_cast<std::int32_t>(rcvdBuf_.size()), clearData);
    if (clearData) rcvdBuf_.clear();
  }
}

// Fires the data-available event until the handler has read the whole line; false when it was dropped.
bool TCustomLineWSocket::DeliverCurrentLine() {
  bool complete = true;
  if (OnDataAvailable) {
    while (lineMode_ && lineRead_ < line_.size()) {
      const std::size_t before = lineRead_;
      TCustomSocksWSocket::TriggerDataAvailable(0);
      if (lineRead_ == before) {  // the handler read nothing of it: drop the line, do not spin
        complete = false;
        break;
      }
    }
  }
  if (lineMode_) {
    line_.clear();
    lineRead_ = 0;
  } else if (lineRead_ < line_.size()) {
    // Line mode was switched off inside the handler: the unread rest goes back in front of the buffer.
    rcvdBuf_.insert(0, line_, lineRead_, std::string::npos);
    line_.clear();
    lineRead_ = 0;
  }
  return complete;
}

void TCustomLineWSocket::TriggerSessionClosed(std::uint16_t errCode) {
  if (lineMode_ && !rcvdBuf_.empty()) {
    line_ = std::move(rcvdBuf_);  // the unterminated rest arrives as one last line
    lineRead_ = 0;
    rcvdBuf_.clear();
    DeliverCurrentLine();
  }
  rcvdBuf_.clear();
  line_.clear();
  lineRead_ = 0;
  TCustomSocksWSocket::TriggerSessionClosed(errCode);
}

void TCustomLineWSocket::TriggerLineLimitExceeded(std::int32_t cnt, bool& clearData) {
  if (OnLineLimitExceeded && !Destroying()) OnLineLimitExceeded(this, cnt, clearData);
}

}  // namespace wsocket
