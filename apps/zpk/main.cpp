// zpk: the library's command-line tool. `zpk call ROUTINE ARG...` runs one
// exported routine and prints its result; `zpk demo` walks through what the
// library does; `zpk db` creates and seeds databases.
#include <iostream>

#include "app.hpp"

int main(int argc, char** argv) {
  return zpk::cli::run_zpk(argc, argv, std::cout, std::cerr);
}
