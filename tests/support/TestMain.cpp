// The main of every test program: GoogleTest plus the check that no test leaves an exception swallowed at a
// callback edge behind.

#include <gtest/gtest.h>

#include "framework/CallbackEdge.h"
#include "support/SwallowCheck.h"

namespace qd::test {

namespace {

std::size_t gTaken = 0;  // the count at the start of the test, moved on by TakeSwallowed

class TSwallowCheck : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { gTaken = SwallowedExceptions(); }
    // Listeners hear OnTestEnd in reverse order: this runs before the result printer, inside the test's result.
    void OnTestEnd(const ::testing::TestInfo&) override {
        const std::size_t swallowed = SwallowedExceptions() - gTaken;
        if (swallowed != 0)
            ADD_FAILURE() << swallowed << " exception(s) swallowed at a callback edge; the last: \""
                          << LastSwallowedMessage() << "\"";
    }
};

}  // namespace

std::size_t TakeSwallowed() noexcept {
    const std::size_t now = SwallowedExceptions();
    const std::size_t swallowed = now - gTaken;
    gTaken = now;
    return swallowed;
}

}  // namespace qd::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new qd::test::TSwallowCheck);
    return RUN_ALL_TESTS();
}
