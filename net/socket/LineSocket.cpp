#include "net/socket/LineSocket.h"

#include "net/socket/SocketErrors.h"

#include <algorithm>
#include <cstring>

namespace net {

LineSocket::LineSocket() = default;

void LineSocket::setLineMode(bool value) {
  if (lineMode_ == value) return;
  lineMode_ = value;
  lineModeLoopCount_ = 0;
  if (!rcvdBuf_.empty()) mailbox().post(HeldDataWaiting{});
}

std::int32_t LineSocket::sendLine(const std::string& s) {
  return sendStr(s + lineEnd_);
}

void LineSocket::handleEvent(SocketEvent& event) {
  if (std::holds_alternative<HeldDataWaiting>(event)) {
    handleModeSwitched();
    return;
  }
  SocksSocket::handleEvent(event);
}

// Hands out what is held after lineMode() changed: lines in line mode, everything otherwise.
void LineSocket::handleModeSwitched() {
  while (!rcvdBuf_.empty()) {
    const std::size_t before = rcvdBuf_.size();
    if (lineMode_) {
      deliverLines(0);
      if (rcvdBuf_.size() == before && ++lineModeLoopCount_ > 3) return;  // no complete line held
    } else if (!SocksSocket::triggerDataAvailable(0) || rcvdBuf_.size() == before) {
      return;
    }
  }
}

std::int32_t LineSocket::queryBytesWaiting() {
  if (lineMode_) return static_cast<std::int32_t>(line_.size() - lineRead_);
  if (!rcvdBuf_.empty()) return static_cast<std::int32_t>(rcvdBuf_.size());
  return SocksSocket::queryBytesWaiting();
}

std::int32_t LineSocket::doRecv(void* buffer, std::int32_t bufferSize, int flags) {
  if (lineMode_ && !lineEnd_.empty()) {
    const std::size_t unread = line_.size() - lineRead_;
    if (unread == 0) {
      setRecvError(SocketError::WouldBlock);  // only the current line is handed out in line mode
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
  return SocksSocket::doRecv(buffer, bufferSize, flags);
}

bool LineSocket::triggerDataAvailable(std::uint16_t errCode) {
  // The SOCKS negotiation reads its replies itself; lines start once the tunnel stands.
  if (!lineMode_ || lineEnd_.empty() || socksNegotiating()) {
    return SocksSocket::triggerDataAvailable(errCode);
  }
  const std::size_t held = rcvdBuf_.size();
  if (!readIntoLineBuffer(errCode)) return true;
  deliverLines(held > lineEnd_.size() ? held - lineEnd_.size() : 0);
  return true;
}

// Appends every waiting byte to the line buffer (echoed and edited as asked); false when none came.
bool LineSocket::readIntoLineBuffer(std::uint16_t errCode) {
  std::int32_t waiting = SocksSocket::queryBytesWaiting();
  if (waiting < 0) return false;
  if (waiting == 0) waiting = 255;
  const std::size_t held = rcvdBuf_.size();
  rcvdBuf_.resize(held + static_cast<std::size_t>(waiting));
  const std::int32_t n = SocksSocket::doRecv(rcvdBuf_.data() + held, waiting, 0);
  rcvdBuf_.resize(held + static_cast<std::size_t>(std::max(0, n)));
  if (n <= 0) return false;
  if (lineEcho_) sendStr(rcvdBuf_.substr(held));
  if (lineEdit_) editLine(held);
  return true;
}

// Backspace takes back the character before it; a tab becomes blanks up to the next multiple of 8.
void LineSocket::editLine(std::size_t from) {
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

void LineSocket::deliverLines(std::size_t searchFrom) {
  while (lineMode_ && !lineEnd_.empty()) {
    const std::size_t pos = rcvdBuf_.find(lineEnd_, searchFrom);
    if (pos == std::string::npos) break;
    line_ = rcvdBuf_.substr(0, pos + lineEnd_.size());
    lineRead_ = 0;
    rcvdBuf_.erase(0, line_.size());
    deliverCurrentLine();
    searchFrom = 0;
  }
  if (lineMode_ && lineLimit_ > 0 && rcvdBuf_.size() > static_cast<std::size_t>(lineLimit_)) {
    bool clearData = true;
    triggerLineLimitExceeded(static_cast<std::int32_t>(rcvdBuf_.size()), clearData);
    if (clearData) rcvdBuf_.clear();
  }
}

// Fires the data-available event until the handler has read the whole line; false when it was dropped.
bool LineSocket::deliverCurrentLine() {
  bool complete = true;
  if (onDataAvailable) {
    while (lineMode_ && lineRead_ < line_.size()) {
      const std::size_t before = lineRead_;
      SocksSocket::triggerDataAvailable(0);
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

void LineSocket::triggerSessionClosed(std::uint16_t errCode) {
  if (lineMode_ && !rcvdBuf_.empty()) {
    line_ = std::move(rcvdBuf_);  // the unterminated rest arrives as one last line
    lineRead_ = 0;
    rcvdBuf_.clear();
    deliverCurrentLine();
  }
  rcvdBuf_.clear();
  line_.clear();
  lineRead_ = 0;
  SocksSocket::triggerSessionClosed(errCode);
}

void LineSocket::triggerLineLimitExceeded(std::int32_t cnt, bool& clearData) {
  if (onLineLimitExceeded && !destroying()) onLineLimitExceeded(this, cnt, clearData);
}

}  // namespace net
