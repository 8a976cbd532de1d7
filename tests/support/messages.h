// What a failure says.
#pragma once

#include <gtest/gtest.h>

#include <exception>
#include <functional>
#include <string>

namespace klice::testing {

// The message of the exception of class E that `action` throws. Throwing
// nothing, or an exception of another class, fails the test and gives "".
template <typename E>
std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const E& e) {
        return e.Message();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "another exception: " << e.what();
        return {};
    }
    ADD_FAILURE() << "nothing thrown";
    return {};
}

}  // namespace klice::testing
