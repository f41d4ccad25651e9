#include "claim_kit/winzip_aes.h"

#include <zip.h>

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace stowfolio::claimkit {

namespace {

// How the keys are drawn from the password: PBKDF2-HMAC-SHA1 with 1,000 rounds.
constexpr int kKeyRounds = 1000;
constexpr std::size_t kBlock = 16;
// Keystream made at a time: 4,096 blocks, so one AES call serves 64 KiB.
constexpr std::size_t kKeystreamBlocks = 4096;
// Packed bytes decrypted at a time.
constexpr qsizetype kDecryptPiece = 1 << 16;

[[noreturn]] void cryptoFailed()
{
    throw std::runtime_error("the system's AES failed (libcrypto)");
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

std::uint64_t winZipAesOverhead(int keyBytes)
{
    return std::uint64_t(keyBytes / 2 + kWinZipAesVerifierBytes) + kWinZipAesAuthenticationBytes;
}

QByteArray winZipAesSalt(int keyBytes)
{
    QByteArray salt(keyBytes / 2, Qt::Uninitialized);
    if (RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), int(salt.size())) != 1)
        cryptoFailed();
    return salt;
}

// ---- WinZipAesCipher ----

struct WinZipAesCipher::Crypto
{
    EVP_CIPHER_CTX* cipher = nullptr;
    EVP_MAC* macAlgorithm = nullptr;
    EVP_MAC_CTX* mac = nullptr;
    std::uint64_t counter = 0; // of the last block made; the first block is counter 1
    std::vector<unsigned char> counters = std::vector<unsigned char>(kKeystreamBlocks * kBlock);
    std::vector<unsigned char> keystream = std::vector<unsigned char>(kKeystreamBlocks * kBlock);
    std::size_t used = kKeystreamBlocks * kBlock; // of keystream

    ~Crypto()
    {
        EVP_MAC_CTX_free(mac);
        EVP_MAC_free(macAlgorithm);
        EVP_CIPHER_CTX_free(cipher);
    }

    void refill()
    {
        // Counter blocks: the block's number, little-endian, in the whole 16 bytes.
        std::fill(counters.begin(), counters.end(), 0);
        for (std::size_t block = 0; block < kKeystreamBlocks; ++block) {
            std::uint64_t number = ++counter;
            for (std::size_t byte = 0; byte < 8; ++byte, number >>= 8)
                counters[block * kBlock + byte] = static_cast<unsigned char>(number);
        }
        int length = 0;
        if (EVP_EncryptUpdate(cipher, keystream.data(), &length, counters.data(),
                              int(counters.size())) != 1 ||
            std::size_t(length) != keystream.size())
            cryptoFailed();
        used = 0;
    }
};

WinZipAesCipher::WinZipAesCipher(const QByteArray& password, int keyBytes,
                                 const unsigned char* salt)
    : m_crypto(std::make_unique<Crypto>())
{
    // The encryption key, the authentication key and the verifier, in that order.
    std::vector<unsigned char> keys(std::size_t(2 * keyBytes + kWinZipAesVerifierBytes));
    if (PKCS5_PBKDF2_HMAC_SHA1(password.constData(), int(password.size()), salt, keyBytes / 2,
                               kKeyRounds, int(keys.size()), keys.data()) != 1)
        cryptoFailed();
    std::copy_n(keys.data() + 2 * keyBytes, kWinZipAesVerifierBytes, m_verifier.begin());
    Crypto& crypto = *m_crypto;
    crypto.cipher = EVP_CIPHER_CTX_new();
    if (crypto.cipher == nullptr ||
        EVP_EncryptInit_ex(crypto.cipher, counterBlockCipher(keyBytes), nullptr, keys.data(),
                           nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(crypto.cipher, 0) != 1)
        cryptoFailed();
    crypto.macAlgorithm = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    crypto.mac = crypto.macAlgorithm ? EVP_MAC_CTX_new(crypto.macAlgorithm) : nullptr;
    char digestName[] = "SHA1";
    const OSSL_PARAM parameters[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digestName, 0),
        OSSL_PARAM_construct_end()};
    if (crypto.mac == nullptr ||
        EVP_MAC_init(crypto.mac, keys.data() + keyBytes, std::size_t(keyBytes), parameters) != 1)
        cryptoFailed();
    OPENSSL_cleanse(keys.data(), keys.size());
}

WinZipAesCipher::~WinZipAesCipher() = default;

void WinZipAesCipher::authenticate(const char* data, std::size_t size)
{
    if (EVP_MAC_update(m_crypto->mac, reinterpret_cast<const unsigned char*>(data), size) != 1)
        cryptoFailed();
}

void WinZipAesCipher::applyKeystream(char* data, std::size_t size)
{
    Crypto& crypto = *m_crypto;
    while (size > 0) {
        if (crypto.used == crypto.keystream.size())
            crypto.refill();
        const std::size_t piece = std::min(size, crypto.keystream.size() - crypto.used);
        const unsigned char* key = crypto.keystream.data() + crypto.used;
        for (std::size_t i = 0; i < piece; ++i)
            data[i] = static_cast<char>(static_cast<unsigned char>(data[i]) ^ key[i]);
        crypto.used += piece;
        data += piece;
        size -= piece;
    }
}

void WinZipAesCipher::encrypt(char* data, std::size_t size)
{
    applyKeystream(data, size);
    authenticate(data, size);
}

void WinZipAesCipher::decrypt(char* data, std::size_t size)
{
    authenticate(data, size);
    applyKeystream(data, size);
}

std::array<unsigned char, kWinZipAesAuthenticationBytes> WinZipAesCipher::authentication()
{
    std::array<unsigned char, EVP_MAX_MD_SIZE> code{};
    std::size_t length = 0;
    if (EVP_MAC_final(m_crypto->mac, code.data(), &length, code.size()) != 1 ||
        length < kWinZipAesAuthenticationBytes)
        cryptoFailed();
    std::array<unsigned char, kWinZipAesAuthenticationBytes> first{};
    std::copy_n(code.begin(), first.size(), first.begin());
    return first;
}

// ---- WinZipAesDecoder ----

WinZipAesDecoder::WinZipAesDecoder(const QByteArray& password, int keyBytes,
                                   std::uint64_t packedSize)
    : m_password(password), m_keyBytes(keyBytes), m_packedSize(packedSize)
{
    if (packedSize < winZipAesOverhead(keyBytes))
        m_outcome = Outcome::Damaged;
}

WinZipAesDecoder::~WinZipAesDecoder() = default;

WinZipAesDecoder::Outcome WinZipAesDecoder::add(const char* data, std::size_t size,
                                                const Plain& plain)
{
    if (m_outcome != Outcome::Going)
        return m_outcome;
    if (size > m_packedSize - m_taken)
        return m_outcome = Outcome::Damaged;
    const qsizetype saltBytes = m_keyBytes / 2;
    const std::uint64_t headerEnd = std::uint64_t(saltBytes + kWinZipAesVerifierBytes);
    const std::uint64_t dataEnd = m_packedSize - kWinZipAesAuthenticationBytes;
    while (size > 0) {
        std::size_t piece = 0;
        if (m_taken < headerEnd) {
            piece = std::size_t(std::min<std::uint64_t>(size, headerEnd - m_taken));
            m_header.append(data, qsizetype(piece));
            if (m_header.size() == qsizetype(headerEnd)) {
                m_cipher = std::make_unique<WinZipAesCipher>(
                    m_password, m_keyBytes,
                    reinterpret_cast<const unsigned char*>(m_header.constData()));
                if (CRYPTO_memcmp(m_cipher->verifier().data(), m_header.constData() + saltBytes,
                                  kWinZipAesVerifierBytes) != 0)
                    return m_outcome = Outcome::WrongPassword;
            }
        } else if (m_taken < dataEnd) {
            piece = std::size_t(std::min<std::uint64_t>({size, dataEnd - m_taken, kDecryptPiece}));
            m_buffer.resize(qsizetype(piece));
            std::copy_n(data, piece, m_buffer.data());
            m_cipher->decrypt(m_buffer.data(), piece);
            if (plain)
                plain(m_buffer.constData(), piece);
        } else {
            piece = size;
            m_trailer.append(data, qsizetype(piece));
        }
        data += piece;
        size -= piece;
        m_taken += piece;
    }
    if (m_taken < m_packedSize)
        return m_outcome;
    const auto code = m_cipher->authentication();
    const bool matches =
        CRYPTO_memcmp(code.data(), m_trailer.constData(), kWinZipAesAuthenticationBytes) == 0;
    return m_outcome = matches ? Outcome::Done : Outcome::Tampered;
}

} // namespace stowfolio::claimkit
