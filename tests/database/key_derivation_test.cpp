#include "platform/key_derivation.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <string>
#include <string_view>
#include <vector>

namespace vt::platform {
namespace {

std::span<const unsigned char> Bytes(std::string_view text) {
  return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

TEST(Pbkdf2HmacSha1, MatchesThePublishedVectors) {
  using namespace std::string_view_literals;
  const struct {
    std::string_view passphrase;
    std::string_view salt;
    int iterations;
    std::size_t length;
    const char* key;
  } vectors[] = {
      {"password", "salt", 1, 20, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
      {"password", "salt", 2, 20, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
      {"password", "salt", 4096, 20, "4b007901b765489abead49d926f721d065a429c1"},
      {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, 25,
       "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
      {"pass\0word"sv, "sa\0lt"sv, 4096, 16, "56fa6aa75548099dcc37d7f03425e0c3"},
  };
  for (const auto& v : vectors) {
    EXPECT_EQ(LowerHex(Pbkdf2HmacSha1(v.passphrase, Bytes(v.salt), v.iterations, v.length)), v.key)
        << v.passphrase << " " << v.iterations;
  }
}

TEST(Pbkdf2HmacSha1, AgreesWithOpenSsl) {
  const std::string longPassphrase(100, 'p');  // longer than a hash block: hashed first
  const std::string salt = "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\xff";
  for (const std::string_view passphrase :
       {std::string_view("Quiet river stone"), std::string_view(longPassphrase)}) {
    for (const std::size_t length : {std::size_t{1}, std::size_t{32}, std::size_t{41}}) {
      std::vector<unsigned char> expected(length);
      ASSERT_EQ(PKCS5_PBKDF2_HMAC_SHA1(passphrase.data(), static_cast<int>(passphrase.size()),
                                       Bytes(salt).data(), static_cast<int>(salt.size()), 64000,
                                       static_cast<int>(length), expected.data()),
                1);
      EXPECT_EQ(LowerHex(Pbkdf2HmacSha1(passphrase, Bytes(salt), 64000, length)),
                LowerHex(expected))
          << passphrase.size() << " " << length;
    }
  }
}

}  // namespace
}  // namespace vt::platform
