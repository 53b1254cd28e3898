// The program's one synchronous wait: waitSynchronously() dispatches the calling thread's events until a
// condition holds. Everything else waits with timers, notifiers and completion events.
//
// What may call it: only callers that need an answer before they return and that sit at the top of their
// own stack: the blocking requests of the HTTP client (get(), head(), post(), put(), close()) for tests and
// the benchmark driver, and the socket's waiting calls (flush(), waitForClose(), waitUntilReady(),
// synchronize(), messagePump()). It must never be called on the path of a job (Start to audio file), and
// never from inside an event handler of the network layers, a posted message or a timer: that is
// re-entrancy, not waiting.
//
// What runs inside it: every event of the calling thread, as in the main loop: posted messages (Mailbox)
// of every object, socket notifiers, timers, and the window system's events on the main thread (input and
// painting included). So any handler of any object may run before it returns, including one that changes
// or destroys what the caller holds; the caller must hold no half-finished state of an object whose events
// can arrive, and must look again at what it waits for once it returns. A handler that calls it again nests
// one more level; the inner wait must end before the outer one can.
//
// It returns when `done()` holds (checked before the first dispatch and after each one), when `timeoutMs`
// milliseconds have passed (a negative value: no limit; 0: one pass over what is queued, without
// waiting), or when the application is closing down (or has no event loop at all).
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

enum class WaitOutcome {
  Done,      // done() held
  TimedOut,  // the time limit passed first
  Closing,   // the application is closing down, or there is no event loop to wait in
};

WaitOutcome waitSynchronously(const std::function<bool()>& done, int timeoutMs);

// How often waitSynchronously() was entered in this process, and how deeply it is nested on the calling
// thread now. Tests read them to prove that a path never waits synchronously.
std::uint64_t synchronousWaitEntries();
int synchronousWaitDepth();

}  // namespace platform
