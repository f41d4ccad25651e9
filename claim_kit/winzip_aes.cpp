#include "claim_kit/winzip_aes.h"

#include <zip.h>

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

namespace stowfolio::claimkit {

namespace {

constexpr int kVerifierBytes = 2;
constexpr std::size_t kAuthenticationBytes = 10;
// How the keys are drawn from the password: PBKDF2-HMAC-SHA1 with 1,000 rounds.
constexpr int kKeyRounds = 1000;
constexpr std::size_t kBlock = 16;
// Keystream made at a time: 4,096 blocks, so one AES call serves 64 KiB.
constexpr std::size_t kKeystreamBlocks = 4096;

[[noreturn]] void cryptoFailed()
{
    throw std::runtime_error("the system's AES could not decrypt the kit (libcrypto failed)");
}

const EVP_CIPHER* counterBlockCipher(int keyBytes)
{
    switch (keyBytes) {
    case 16:
        return EVP_aes_128_ecb();
    case 24:
        return EVP_aes_192_ecb();
    default:
        return EVP_aes_256_ecb();
    }
}

} // namespace

struct WinZipAesDecoder::Crypto
{
    EVP_CIPHER_CTX* cipher = nullptr;
    EVP_MAC* macAlgorithm = nullptr;
    EVP_MAC_CTX* mac = nullptr;
    std::uint64_t counter = 0; // of the last block made; the first block is counter 1
    std::vector<unsigned char> counters = std::vector<unsigned char>(kKeystreamBlocks * kBlock);
    std::vector<unsigned char> keystream = std::vector<unsigned char>(kKeystreamBlocks * kBlock);
    std::size_t used = kKeystreamBlocks * kBlock; // of keystream
    std::vector<char> plain = std::vector<char>(kKeystreamBlocks * kBlock);

    ~Crypto()
    {
        EVP_MAC_CTX_free(mac);
        EVP_MAC_free(macAlgorithm);
        EVP_CIPHER_CTX_free(cipher);
    }
};

int winZipAesKeyBytes(std::uint16_t encryptionMethod)
{
    switch (encryptionMethod) {
    case ZIP_EM_AES_128:
        return 16;
    case ZIP_EM_AES_192:
        return 24;
    case ZIP_EM_AES_256:
        return 32;
    default:
        return 0;
    }
}

WinZipAesDecoder::WinZipAesDecoder(const QByteArray& password, int keyBytes, std::uint64_t rawSize)
    : m_password(password), m_keyBytes(keyBytes), m_rawSize(rawSize)
{
    const std::uint64_t overhead =
        std::uint64_t(keyBytes / 2 + kVerifierBytes) + kAuthenticationBytes;
    if (rawSize < overhead)
        m_outcome = Outcome::Damaged;
}

WinZipAesDecoder::~WinZipAesDecoder() = default;

WinZipAesDecoder::Outcome WinZipAesDecoder::add(const char* data, std::size_t size,
                                                const Plain& plain)
{
    if (m_outcome != Outcome::Going)
        return m_outcome;
    if (size > m_rawSize - m_taken)
        return m_outcome = Outcome::Damaged;
    const std::uint64_t headerEnd = std::uint64_t(m_keyBytes / 2 + kVerifierBytes);
    const std::uint64_t dataEnd = m_rawSize - kAuthenticationBytes;
    while (size > 0 && m_outcome == Outcome::Going) {
        std::size_t piece = 0;
        if (m_taken < headerEnd) {
            takeHeaderByte(*data);
            piece = 1;
        } else if (m_taken < dataEnd) {
            piece = std::size_t(std::min<std::uint64_t>(size, dataEnd - m_taken));
            decrypt(data, piece, plain);
        } else {
            piece = size;
            m_trailer.append(data, qsizetype(piece));
        }
        data += piece;
        size -= piece;
        m_taken += piece;
    }
    if (m_outcome != Outcome::Going || m_taken < m_rawSize)
        return m_outcome;
    if (!m_crypto) // no data: the keys are still made, for the verifier's check
        return m_outcome = Outcome::Damaged;
    std::array<unsigned char, EVP_MAX_MD_SIZE> code{};
    std::size_t length = 0;
    if (EVP_MAC_final(m_crypto->mac, code.data(), &length, code.size()) != 1)
        cryptoFailed();
    const bool matches =
        length >= kAuthenticationBytes && m_trailer.size() == qsizetype(kAuthenticationBytes) &&
        CRYPTO_memcmp(code.data(), m_trailer.constData(), kAuthenticationBytes) == 0;
    return m_outcome = matches ? Outcome::Done : Outcome::Tampered;
}

void WinZipAesDecoder::takeHeaderByte(char byte)
{
    m_header.append(byte);
    const qsizetype saltBytes = m_keyBytes / 2;
    if (m_header.size() < saltBytes + kVerifierBytes)
        return;
    // The encryption key, the authentication key and the verifier, in that order.
    std::vector<unsigned char> keys(std::size_t(2 * m_keyBytes + kVerifierBytes));
    if (PKCS5_PBKDF2_HMAC_SHA1(m_password.constData(), int(m_password.size()),
                               reinterpret_cast<const unsigned char*>(m_header.constData()),
                               int(saltBytes), kKeyRounds, int(keys.size()), keys.data()) != 1)
        cryptoFailed();
    if (CRYPTO_memcmp(keys.data() + 2 * m_keyBytes, m_header.constData() + saltBytes,
                      kVerifierBytes) != 0) {
        m_outcome = Outcome::WrongPassword;
        return;
    }
    auto crypto = std::make_unique<Crypto>();
    crypto->cipher = EVP_CIPHER_CTX_new();
    if (crypto->cipher == nullptr ||
        EVP_EncryptInit_ex(crypto->cipher, counterBlockCipher(m_keyBytes), nullptr, keys.data(),
                           nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(crypto->cipher, 0) != 1)
        cryptoFailed();
    crypto->macAlgorithm = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    crypto->mac = crypto->macAlgorithm ? EVP_MAC_CTX_new(crypto->macAlgorithm) : nullptr;
    char digestName[] = "SHA1";
    const OSSL_PARAM parameters[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digestName, 0),
        OSSL_PARAM_construct_end()};
    if (crypto->mac == nullptr || EVP_MAC_init(crypto->mac, keys.data() + m_keyBytes,
                                               std::size_t(m_keyBytes), parameters) != 1)
        cryptoFailed();
    OPENSSL_cleanse(keys.data(), keys.size());
    m_crypto = std::move(crypto);
}

void WinZipAesDecoder::refillKeystream()
{
    Crypto& crypto = *m_crypto;
    // Counter blocks: the block's number, little-endian, in the whole 16 bytes.
    std::fill(crypto.counters.begin(), crypto.counters.end(), 0);
    for (std::size_t block = 0; block < kKeystreamBlocks; ++block) {
        std::uint64_t number = ++crypto.counter;
        for (std::size_t byte = 0; byte < 8; ++byte, number >>= 8)
            crypto.counters[block * kBlock + byte] = static_cast<unsigned char>(number);
    }
    int length = 0;
    if (EVP_EncryptUpdate(crypto.cipher, crypto.keystream.data(), &length, crypto.counters.data(),
                          int(crypto.counters.size())) != 1 ||
        std::size_t(length) != crypto.keystream.size())
        cryptoFailed();
    crypto.used = 0;
}

void WinZipAesDecoder::decrypt(const char* data, std::size_t size, const Plain& plain)
{
    Crypto& crypto = *m_crypto;
    if (EVP_MAC_update(crypto.mac, reinterpret_cast<const unsigned char*>(data), size) != 1)
        cryptoFailed();
    while (size > 0) {
        if (crypto.used == crypto.keystream.size())
            refillKeystream();
        const std::size_t piece = std::min(size, crypto.keystream.size() - crypto.used);
        const unsigned char* key = crypto.keystream.data() + crypto.used;
        for (std::size_t i = 0; i < piece; ++i)
            crypto.plain[i] = static_cast<char>(static_cast<unsigned char>(data[i]) ^ key[i]);
        crypto.used += piece;
        if (plain)
            plain(crypto.plain.data(), piece);
        data += piece;
        size -= piece;
    }
}

} // namespace stowfolio::claimkit
