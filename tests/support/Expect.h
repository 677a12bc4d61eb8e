#pragma once
// Checks shared by the tests: the text an action fails with, an action that
// must fail with an exact text, and a wait for something another thread does.

#include <gtest/gtest.h>

#include <chrono>
#include <exception>
#include <string>
#include <thread>
#include <utility>

namespace fieldsync::test {

// The text of the `E` that `action` raises, or "(no error)" when it raises
// none: for tables of inputs and the message each must give. Another
// exception goes on to the test, which fails.
template <class E = std::exception, class F>
std::string ThrownText(F&& action) {
  try {
    action();
  } catch (const E& e) {
    return e.what();
  }
  return "(no error)";
}

// Expects `action` to raise an `E` whose what() is exactly `text` (message
// texts are interface, so they are compared verbatim). Another exception,
// or none, fails the test.
template <class E = std::exception, class F>
void ExpectThrowWithText(F&& action, const std::string& text) {
  EXPECT_EQ(ThrownText<E>(std::forward<F>(action)), text);
}

// Polls `condition` every millisecond until it holds or `timeout` passes;
// answers whether it held. Tests wait with it, never with a fixed sleep.
template <class F>
bool WaitUntil(F&& condition, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace fieldsync::test
