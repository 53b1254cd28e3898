// Process-wide state shared by every socket: the count of live sockets, the requested library version
// (kept for its properties; POSIX sockets need no start-up) and the one lock of the send queues.
#pragma once

#include <cstdint>
#include <mutex>

namespace net::library {

void addSocket();
void removeSocket();
int liveSockets();
// Marks the library as in use; the version can no longer change until the last socket is gone.
void use();
bool inUse();
std::uint8_t reqVerLow();
std::uint8_t reqVerHigh();
void setReqVer(std::uint8_t low, std::uint8_t high);
// Re-entrant for its owner thread: a send can run user code that sends again.
std::recursive_mutex& sendLock();

}  // namespace net::library
