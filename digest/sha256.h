#pragma once

// SHA-256 over a stream of bytes, through the system's libcrypto (the library libzip already
// uses for its AES): hardware-assisted, about fifteen times as fast as a portable
// implementation. Every file kept with an item is named by its digest, and a claim kit of
// several gigabytes is hashed when it is written and again when it is checked.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using EVP_MD_CTX = struct evp_md_ctx_st;

namespace stowfolio {

using Digest = std::array<uint8_t, 32>;

class Sha256
{
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void add(const void* data, size_t size);
    // The digest of everything added since the last reset(); starts a new hash.
    Digest finish();
    void reset();

private:
    EVP_MD_CTX* m_context;
};

// 64 lowercase hexadecimal digits.
std::string toHex(const Digest& digest);
// Reads 64 hexadecimal digits (either case); false when `text` is anything else.
bool fromHex(std::string_view text, Digest& digest);

} // namespace stowfolio
