// Values changed for the length of a scope and restored however it ends (a
// failed assertion, an exception): environment variables and globals such as
// FormatSettings or the session variables. Header-only, so the tests of the
// pure routines use it too.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace zpk::test {

// Sets (or, with nullptr, unsets) an environment variable; restores it at the end.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, const char* value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    value ? ::setenv(name_.c_str(), value, 1) : ::unsetenv(name_.c_str());
  }
  ~ScopedEnv() { old_ ? ::setenv(name_.c_str(), old_->c_str(), 1) : ::unsetenv(name_.c_str()); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Gives `target` a value; puts the previous one back at the end.
template <class T>
class ScopedValue {
 public:
  ScopedValue(T& target, T value) : target_(target), old_(std::exchange(target, std::move(value))) {}
  ~ScopedValue() { target_ = std::move(old_); }
  ScopedValue(const ScopedValue&) = delete;
  ScopedValue& operator=(const ScopedValue&) = delete;

 private:
  T& target_;
  T old_;
};

}  // namespace zpk::test
