#pragma once
// Every test program runs with a check after each test: an exception swallowed at a callback edge
// (framework/CallbackEdge.h) during the test fails it, unless the test took it with TakeSwallowed.

#include <cstddef>

namespace qd::test {

// The exceptions swallowed since the test started (or since the last call), now taken: a test that provokes
// them asserts how many there were.
std::size_t TakeSwallowed() noexcept;

}  // namespace qd::test
