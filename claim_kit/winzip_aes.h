#pragma once

// Zip entries protected the WinZip way (AE-2): AES in counter mode, the keys drawn from the
// password with PBKDF2-HMAC-SHA1, and an HMAC-SHA1 over the encrypted bytes after them. libzip
// 1.7 encrypts and decrypts one 16-byte block a call, about 50 MB/s; a kit's photos are
// gigabytes, so the kit encrypts and decrypts its entries here, 64 KiB of keystream a call (AES-NI
// where the processor has it), and libzip only places the bytes in the archive.
//
// An entry's packed bytes are laid out as
//
//     salt            8, 12 or 16 bytes (half the key), random for every entry
//     verifier        2 bytes, drawn from the password with the keys
//     encrypted data  the rest but the last 10 bytes
//     authentication  the first 10 bytes of the HMAC-SHA1 of the encrypted data

#include <QByteArray>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace stowfolio::claimkit {

inline constexpr int kWinZipAesVerifierBytes = 2;
inline constexpr std::size_t kWinZipAesAuthenticationBytes = 10;

// The key length of a libzip encryption method (ZIP_EM_AES_128 ...), or 0 for another method.
int winZipAesKeyBytes(std::uint16_t encryptionMethod);

// What the salt and verifier and the authentication add to an entry's packed size.
std::uint64_t winZipAesOverhead(int keyBytes);

// The keys of one entry, its keystream and its authentication code.
class WinZipAesCipher
{
public:
    // `salt` holds keyBytes / 2 bytes.
    WinZipAesCipher(const QByteArray& password, int keyBytes, const unsigned char* salt);
    ~WinZipAesCipher();
    WinZipAesCipher(const WinZipAesCipher&) = delete;
    WinZipAesCipher& operator=(const WinZipAesCipher&) = delete;

    const std::array<unsigned char, kWinZipAesVerifierBytes>& verifier() const
    {
        return m_verifier;
    }
    // In place; the authentication covers the encrypted bytes either way.
    void encrypt(char* data, std::size_t size);
    void decrypt(char* data, std::size_t size);
    // The code that follows the data; call once, after the last byte.
    std::array<unsigned char, kWinZipAesAuthenticationBytes> authentication();

private:
    struct Crypto;
    void authenticate(const char* data, std::size_t size);
    void applyKeystream(char* data, std::size_t size);

    std::unique_ptr<Crypto> m_crypto;
    std::array<unsigned char, kWinZipAesVerifierBytes> m_verifier{};
};

// Reads an entry's packed bytes, in pieces as they come, into its plain ones.
class WinZipAesDecoder
{
public:
    enum class Outcome
    {
        Going,         // more bytes are wanted
        Done,          // every byte was decrypted and the authentication matched
        WrongPassword, // the verifier does not match the password
        Tampered,      // the authentication does not match the data
        Damaged        // the packed bytes are fewer or more than the entry holds
    };

    // `keyBytes` is 16, 24 or 32 (AES-128, -192, -256); `packedSize` the entry's packed size.
    WinZipAesDecoder(const QByteArray& password, int keyBytes, std::uint64_t packedSize);
    ~WinZipAesDecoder();

    // Takes the next packed bytes and hands what they decrypt to to `plain`. Returns Going until
    // the last byte, then Done or what is wrong; once not Going, it stays so.
    using Plain = std::function<void(const char* data, std::size_t size)>;
    Outcome add(const char* data, std::size_t size, const Plain& plain);

private:
    QByteArray m_password;
    int m_keyBytes;
    std::uint64_t m_packedSize;
    std::uint64_t m_taken = 0;
    QByteArray m_header;  // salt and verifier, until both are in
    QByteArray m_trailer; // the authentication code
    QByteArray m_buffer;  // a piece being decrypted
    std::unique_ptr<WinZipAesCipher> m_cipher;
    Outcome m_outcome = Outcome::Going;
};

// A new random salt of `keyBytes` / 2 bytes, from the system's generator.
QByteArray winZipAesSalt(int keyBytes);

} // namespace stowfolio::claimkit
