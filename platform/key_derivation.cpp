#include "platform/key_derivation.h"

// The rounds run on SHA-1's compression function alone, which OpenSSL 3 still offers under its
// 1.1.1 interface.
#define OPENSSL_API_COMPAT 10101
#include <openssl/sha.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace vt::platform {
namespace {

using Block = std::array<unsigned char, SHA_CBLOCK>;
using Digest = std::array<unsigned char, SHA_DIGEST_LENGTH>;

// The hash states after the inner and the outer padded key: every HMAC of the derivation starts
// from one of these two, so the key is hashed twice in all instead of twice per round.
struct HmacStart {
  SHA_CTX inner;
  SHA_CTX outer;
};

HmacStart StartHmac(std::string_view key) {
  Block padded{};
  if (key.size() > padded.size()) {
    SHA1(reinterpret_cast<const unsigned char*>(key.data()), key.size(), padded.data());
  } else {
    std::memcpy(padded.data(), key.data(), key.size());
  }
  HmacStart start{};
  for (const auto& [state, pad] : {std::pair{&start.inner, 0x36}, std::pair{&start.outer, 0x5c}}) {
    const int mask = pad;  // clang 14 cannot capture a structured binding
    Block xored;
    std::transform(padded.begin(), padded.end(), xored.begin(),
                   [mask](unsigned char byte) { return static_cast<unsigned char>(byte ^ mask); });
    SHA1_Init(state);
    SHA1_Update(state, xored.data(), xored.size());
  }
  return start;
}

// The first round hashes the salt and the block number, a message of any length.
Digest FirstRound(const HmacStart& start, std::span<const unsigned char> salt,
                  std::uint32_t blockNumber) {
  const std::array<unsigned char, 4> number = {
      static_cast<unsigned char>(blockNumber >> 24), static_cast<unsigned char>(blockNumber >> 16),
      static_cast<unsigned char>(blockNumber >> 8), static_cast<unsigned char>(blockNumber)};
  Digest digest;
  SHA_CTX state = start.inner;
  SHA1_Update(&state, salt.data(), salt.size());
  SHA1_Update(&state, number.data(), number.size());
  SHA1_Final(digest.data(), &state);
  state = start.outer;
  SHA1_Update(&state, digest.data(), digest.size());
  SHA1_Final(digest.data(), &state);
  return digest;
}

// A digest after the padded key is a message of 84 bytes: it and its padding fill one block, so
// each later round is exactly two compressions. The digest sits at the block's start.
Block PaddedDigestBlock() {
  constexpr unsigned kMessageBits = (SHA_CBLOCK + SHA_DIGEST_LENGTH) * 8;
  Block block{};
  block[SHA_DIGEST_LENGTH] = 0x80;
  block[SHA_CBLOCK - 2] = static_cast<unsigned char>(kMessageBits >> 8);
  block[SHA_CBLOCK - 1] = static_cast<unsigned char>(kMessageBits & 0xff);
  return block;
}

// Compresses `block` from `start` and writes the resulting state, big-endian, over the block's
// digest bytes.
void CompressInto(const SHA_CTX& start, Block& block) {
  SHA_CTX state = start;
  SHA1_Transform(&state, block.data());
  std::size_t at = 0;
  for (const SHA_LONG word : {state.h0, state.h1, state.h2, state.h3, state.h4}) {
    for (int shift = 24; shift >= 0; shift -= 8) {
      block[at++] = static_cast<unsigned char>(word >> shift);
    }
  }
}

Digest DeriveBlock(const HmacStart& start, std::span<const unsigned char> salt, int iterations,
                   std::uint32_t blockNumber) {
  Digest result = FirstRound(start, salt, blockNumber);
  Block block = PaddedDigestBlock();
  std::copy(result.begin(), result.end(), block.begin());
  for (int round = 1; round < iterations; ++round) {
    CompressInto(start.inner, block);
    CompressInto(start.outer, block);
    for (std::size_t i = 0; i < result.size(); ++i) {
      result[i] ^= block[i];
    }
  }
  return result;
}

}  // namespace

std::vector<unsigned char> Pbkdf2HmacSha1(std::string_view passphrase,
                                          std::span<const unsigned char> salt, int iterations,
                                          std::size_t length) {
  const HmacStart start = StartHmac(passphrase);
  std::vector<unsigned char> key;
  key.reserve(length);
  for (std::uint32_t blockNumber = 1; key.size() < length; ++blockNumber) {
    const Digest block = DeriveBlock(start, salt, iterations, blockNumber);
    key.insert(
        key.end(), block.begin(),
        block.begin() + static_cast<std::ptrdiff_t>(std::min(block.size(), length - key.size())));
  }
  return key;
}

std::string LowerHex(std::span<const unsigned char> bytes) {
  constexpr std::string_view kDigits = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const unsigned char byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0f];
  }
  return text;
}

}  // namespace vt::platform
