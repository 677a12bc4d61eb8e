#pragma once
// The program's one general error type, and a formatter for message texts that
// carry "%s" and "%d" placeholders. Message texts are UTF-8.

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

namespace fieldsync {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message), FMessage(message) {}
  // The whole message; what() ends at the first NUL, which a caller's text
  // quoted in it may hold.
  const std::string& Message() const noexcept { return FMessage; }

 private:
  std::string FMessage;
};

// The whole message of any exception: Message() of ours, what() of others.
std::string ErrorMessage(const std::exception& e);

// Replaces each "%s" or "%d" of `format`, in order, with the next argument;
// "%%" is a single percent sign. Missing arguments leave the placeholder empty.
std::string FormatText(std::string_view format, std::initializer_list<std::string_view> args);

}  // namespace fieldsync
