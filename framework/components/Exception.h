// SPDX-License-Identifier: MIT
// The framework's exception classes: each carries a fixed English message for the user.
#pragma once

#include <exception>
#include <string>

// The root of the framework's own exceptions. The top-level exception display shows Message();
// an exception of any other type is shown with an empty message.
class Exception : public std::exception {
public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  const std::string& Message() const { return FMessage; }
  const char* what() const noexcept override { return FMessage.c_str(); }

private:
  std::string FMessage;
};

// An operation that the object's current state does not allow.
class EInvalidOperation : public Exception {
public:
  using Exception::Exception;
};

// A value outside the range an operation accepts.
class ERangeError : public Exception {
public:
  using Exception::Exception;
};

// An index outside a list; the message is "List index out of bounds (<index>)".
class EListError : public Exception {
public:
  using Exception::Exception;
  static EListError IndexOutOfBounds(int index) {
    return EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
};

// A misuse of components: a duplicate name among siblings, for example.
class EComponentError : public Exception {
public:
  using Exception::Exception;
};
