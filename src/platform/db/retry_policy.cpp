#include "platform/db/retry_policy.hpp"

#include <random>
#include <thread>

namespace zpk::detail {

std::chrono::microseconds random_jitter(std::chrono::microseconds jitter) {
  if (jitter.count() <= 0) return std::chrono::microseconds(0);
  // Seeded per thread from the system's entropy, so that stations (and
  // threads of one station) draw different pauses.
  thread_local std::minstd_rand generator{std::random_device{}()};
  std::uniform_int_distribution<std::chrono::microseconds::rep> below(0, jitter.count() - 1);
  return std::chrono::microseconds(below(generator));
}

void sleep_for(std::chrono::microseconds pause) {
  std::this_thread::sleep_for(pause);
}

}  // namespace zpk::detail
