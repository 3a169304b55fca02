// Exception roots of the library. Every exception the library raises derives
// from EZpkError, so a host can catch "anything from zpk" in one place.
#pragma once

#include <stdexcept>
#include <string>

namespace zpk {

// Root of every exception raised by the library.
class EZpkError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A text that does not read as the number or date asked for.
class EConvertError : public EZpkError {
 public:
  using EZpkError::EZpkError;
};

// The silent abort: stops the current operation without a further report
// (the user has already been told, or chose to cancel). Hosts ignore it.
class EAbort : public EZpkError {
 public:
  EAbort() : EZpkError("Operation aborted") {}
  using EZpkError::EZpkError;
};

// Raises EAbort.
[[noreturn]] inline void Abort() {
  throw EAbort();
}

}  // namespace zpk
