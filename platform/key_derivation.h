#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vt::platform {

// PBKDF2 with HMAC-SHA1 (RFC 8018): `length` bytes of key from a passphrase and a salt.
std::vector<unsigned char> Pbkdf2HmacSha1(std::string_view passphrase,
                                          std::span<const unsigned char> salt, int iterations,
                                          std::size_t length);

// The bytes as lower-case hexadecimal digits, two a byte.
std::string LowerHex(std::span<const unsigned char> bytes);

}  // namespace vt::platform
