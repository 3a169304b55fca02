// The traditional DES-based Unix password hash, crypt(3), kept as the system's
// own code so that stored hashes keep verifying on every platform. Reentrant:
// each call works on its own tables.
#pragma once

#include <string>
#include <string_view>

namespace zpk {

// The 13-character hash of `key` (first eight characters, seven low bits of each)
// under the two-character `salt`: the salt followed by eleven characters of
// "./0-9A-Za-z". A one-character salt counts that character twice; an empty salt
// counts as "..".
std::string crypt(std::string_view key, std::string_view salt);

}  // namespace zpk
