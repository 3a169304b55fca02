// The authoriser's status codes that settle an NF-e for good: authorised or
// denied. Its key is then the one the authority holds, and its number is
// spent; the code and the statements that guard stored keys read this list.
#pragma once

#include <algorithm>
#include <array>
#include <string>

namespace zpk::nfe {

inline constexpr std::array kAuthorisedStatuses{100, 150};
inline constexpr std::array kDeniedStatuses{110, 301, 302, 303};

// Is this status an authorisation / a denial of use?
inline bool is_authorised(int cStat) {
  return std::find(kAuthorisedStatuses.begin(), kAuthorisedStatuses.end(), cStat) !=
         kAuthorisedStatuses.end();
}
inline bool is_denied(int cStat) {
  return std::find(kDeniedStatuses.begin(), kDeniedStatuses.end(), cStat) != kDeniedStatuses.end();
}

// Both lists as SQL ("100, 150, 110, ..."), for an IN of a statement.
inline std::string answered_statuses_sql() {
  std::string list;
  for (int s : kAuthorisedStatuses) list += (list.empty() ? "" : ", ") + std::to_string(s);
  for (int s : kDeniedStatuses) list += ", " + std::to_string(s);
  return list;
}

}  // namespace zpk::nfe
