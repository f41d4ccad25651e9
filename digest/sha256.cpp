#include "digest/sha256.h"

#include <openssl/evp.h>

#include <new>
#include <stdexcept>

namespace stowfolio {

Sha256::Sha256() : m_context(EVP_MD_CTX_new())
{
    if (m_context == nullptr)
        throw std::bad_alloc();
    reset();
}

Sha256::~Sha256()
{
    EVP_MD_CTX_free(m_context);
}

void Sha256::reset()
{
    if (EVP_DigestInit_ex(m_context, EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 is not available (libcrypto could not start it)");
}

void Sha256::add(const void* data, size_t size)
{
    if (EVP_DigestUpdate(m_context, data, size) != 1)
        throw std::runtime_error("SHA-256 failed (libcrypto)");
}

Digest Sha256::finish()
{
    Digest digest{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(m_context, digest.data(), &length) != 1 || length != digest.size())
        throw std::runtime_error("SHA-256 failed (libcrypto)");
    reset();
    return digest;
}

std::string toHex(const Digest& digest)
{
    constexpr std::string_view kDigits = "0123456789abcdef";
    std::string text;
    text.reserve(digest.size() * 2);
    for (const uint8_t byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0f];
    }
    return text;
}

bool fromHex(std::string_view text, Digest& digest)
{
    if (text.size() != digest.size() * 2)
        return false;
    const auto value = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    for (size_t i = 0; i < digest.size(); ++i) {
        const int high = value(text[2 * i]);
        const int low = value(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        digest[i] = uint8_t(high << 4 | low);
    }
    return true;
}

} // namespace stowfolio
