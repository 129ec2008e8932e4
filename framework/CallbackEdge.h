#pragma once
// Callback edges: where the platform calls us back (window procedures, hooks, timer callbacks, COM methods), no
// C++ exception may unwind further. Where a failure must not stop what goes on (painting, a hook chain, a
// teardown), the exception is swallowed here and nowhere else, and counted like the live GDI handles: a test
// reads the count to make sure nothing was swallowed behind its back. (Edges that report go through
// CallGuarded, framework/Application.h.)

#include <array>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <string>
#include <utility>

namespace qd {

namespace edge_detail {
struct TSwallowLog {
    std::atomic<std::size_t> Count{0};
    std::mutex Lock;
    std::array<char, 256> Last{};  // what() of the last one, cut short; no allocation inside a catch
};
inline TSwallowLog gSwallowLog;
}  // namespace edge_detail

// Exceptions swallowed at callback edges since the process started.
inline std::size_t SwallowedExceptions() noexcept { return edge_detail::gSwallowLog.Count.load(); }

// The message of the last swallowed exception ("" when it was not a std::exception), for test output.
inline std::string LastSwallowedMessage() {
    std::lock_guard guard(edge_detail::gSwallowLog.Lock);
    return edge_detail::gSwallowLog.Last.data();
}

// Call from inside a catch block that drops the exception being handled: counts it and keeps its message.
inline void NoteSwallowed() noexcept {
    auto& log = edge_detail::gSwallowLog;
    const char* what = "";
    try {
        throw;
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
    }
    try {
        std::lock_guard guard(log.Lock);
        std::size_t n = 0;
        for (; what[n] != '\0' && n + 1 < log.Last.size(); ++n) log.Last[n] = what[n];
        log.Last[n] = '\0';
    } catch (...) {
        // The lock failed: the count below still tells.
    }
    ++log.Count;
}

// Runs `body`; an exception it raises goes no further than `caught`, called inside the catch block (where it may
// rethrow to look at the exception). Returns false when `body` raised.
template <class C, class F>
bool CallCatching(C&& caught, F&& body) noexcept {
    try {
        std::forward<F>(body)();
        return true;
    } catch (...) {
        caught();
        return false;
    }
}

// Runs `body` and returns its result, or `failed` when it raised (after `caught`, as above).
template <class C, class R, class F>
R CallCatching(C&& caught, R failed, F&& body) noexcept {
    try {
        return std::forward<F>(body)();
    } catch (...) {
        caught();
        return failed;
    }
}

// CallCatching with an exception that is swallowed and counted: CallSwallowing(body) returns false when `body`
// raised, CallSwallowing(failed, body) returns the result of `body`, or `failed` when it raised.
template <class... A>
auto CallSwallowing(A&&... args) noexcept {
    return CallCatching(NoteSwallowed, std::forward<A>(args)...);
}

}  // namespace qd
