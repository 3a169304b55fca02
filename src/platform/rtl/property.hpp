// Properties as the ERP's runtime has them: a member that reads like a value
// and is assigned like one (`ds.Filtered = true; f.AsString = "x";
// s = f.AsString();`), calling its owner's getter and setter. Owners that hold
// properties are neither copied nor moved (each keeps a pointer to its owner).
#pragma once

#include <utility>

namespace zpk {

template <class Owner, class T, T (Owner::*Get)() const, void (Owner::*Set)(T)>
class Property {
 public:
  explicit Property(Owner* owner) : owner_(owner) {}
  Property(const Property&) = delete;

  // Assigns through the owner's setter.
  Property& operator=(T value) {
    (owner_->*Set)(std::move(value));
    return *this;
  }
  // Copies the other property's value, not the property (so assigning a
  // property to itself writes its own value back, which is harmless).
  Property& operator=(const Property& other) {  // NOLINT(bugprone-unhandled-self-assignment)
    return *this = other();
  }

  // The value, through the owner's getter.
  T operator()() const { return (owner_->*Get)(); }
  operator T() const { return (owner_->*Get)(); }  // NOLINT(google-explicit-constructor)

  friend bool operator==(const Property& p, const T& value) { return p() == value; }

 private:
  Owner* owner_;
};

// A value member that reads through its owner's getter: `s = f.AsString;` or `f.AsString()`.
template <class Owner, class T, T (Owner::*Get)() const>
class ReadOnlyProperty {
 public:
  explicit ReadOnlyProperty(const Owner* owner) : owner_(owner) {}
  ReadOnlyProperty(const ReadOnlyProperty&) = delete;
  ReadOnlyProperty& operator=(const ReadOnlyProperty&) = delete;
  T operator()() const { return (owner_->*Get)(); }
  operator T() const { return (owner_->*Get)(); }  // NOLINT(google-explicit-constructor)
  friend bool operator==(const ReadOnlyProperty& p, const T& value) { return p() == value; }

 private:
  const Owner* owner_;
};

}  // namespace zpk
