// The NAME=value properties of a class whose methods `zpk call` runs
// (TEstoque, TReserva): one setter table per class, each property read with
// the same converters as a routine's arguments and named in its errors.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "argument_types.hpp"
#include "platform/rtl/errors.hpp"

namespace zpk::cli {

template <class T>
class PropertyTable {
 public:
  // Adds the property `name`, stored in `field` and read as its type is.
  template <class V>
  PropertyTable& add(std::string name, V T::*field) {
    setters_.emplace_back(name, [field, name](T& object, const std::string& text) {
      object.*field = ArgType<V>::read(name, text);
    });
    return *this;
  }

  // Sets one property from "NAME=value"; raises EZpkError for an unknown
  // name, EConvertError (naming the property) for a value that does not read.
  void set(T& object, const std::string& assignment, const std::string& class_name) const {
    const size_t eq = assignment.find('=');
    if (eq == std::string::npos) throw EZpkError("expected NAME=value, got '" + assignment + "'");
    const std::string name = assignment.substr(0, eq);
    auto it =
        std::find_if(setters_.begin(), setters_.end(), [&name](const auto& s) { return s.first == name; });
    if (it == setters_.end()) throw EZpkError(class_name + " has no property '" + name + "'");
    it->second(object, assignment.substr(eq + 1));
  }

  std::vector<std::string> names() const {
    std::vector<std::string> all;
    for (const auto& s : setters_) all.push_back(s.first);
    return all;
  }

 private:
  std::vector<std::pair<std::string, std::function<void(T&, const std::string&)>>> setters_;
};

// What `zpk call` knows of a class whose methods it runs; specialised next to
// the class's entries:
//   static const char* name();                        // "TEstoque"
//   static const PropertyTable<T>& properties();
//   static void report(std::ostream&, const T&);      // printed after a method that returns nothing
template <class T>
struct CallClass;

}  // namespace zpk::cli
