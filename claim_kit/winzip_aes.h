#pragma once

// Decrypting a zip entry protected the WinZip way (AE-1 and AE-2): AES in counter mode, the key
// drawn from the password with PBKDF2-HMAC-SHA1, and an HMAC-SHA1 over the encrypted bytes
// after them. libzip 1.7 decrypts such an entry one 16-byte block at a time, about 50 MB/s; the
// photos of a kit are gigabytes, so the reader takes their raw bytes from libzip and decrypts
// them here, many blocks to a call (AES-NI where the processor has it).
//
// The entry's raw bytes are laid out as
//
//     salt            8, 12 or 16 bytes (half the key)
//     verifier        2 bytes, drawn from the password with the keys
//     encrypted data  the rest but the last 10 bytes
//     authentication  the first 10 bytes of the HMAC-SHA1 of the encrypted data

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace stowfolio::claimkit {

class WinZipAesDecoder
{
public:
    enum class Outcome
    {
        Going,         // more bytes are wanted
        Done,          // every byte was decrypted and the authentication matched
        WrongPassword, // the verifier does not match the password
        Tampered,      // the authentication does not match the data
        Damaged        // the raw bytes are fewer or more than the entry holds
    };

    // `keyBytes` is 16, 24 or 32 (AES-128, -192, -256); `rawSize` the entry's packed size.
    WinZipAesDecoder(const QByteArray& password, int keyBytes, std::uint64_t rawSize);
    ~WinZipAesDecoder();
    WinZipAesDecoder(const WinZipAesDecoder&) = delete;
    WinZipAesDecoder& operator=(const WinZipAesDecoder&) = delete;

    // Takes the next raw bytes and hands what they decrypt to to `plain`. Returns Going until
    // the last byte, then Done or what is wrong; once not Going, it stays so.
    using Plain = std::function<void(const char* data, std::size_t size)>;
    Outcome add(const char* data, std::size_t size, const Plain& plain);

private:
    struct Crypto;
    void takeHeaderByte(char byte);
    void decrypt(const char* data, std::size_t size, const Plain& plain);
    void refillKeystream();

    QByteArray m_password;
    int m_keyBytes;
    std::uint64_t m_rawSize;
    std::uint64_t m_taken = 0;
    QByteArray m_header;  // salt and verifier, until both are in
    QByteArray m_trailer; // the authentication code
    std::unique_ptr<Crypto> m_crypto;
    Outcome m_outcome = Outcome::Going;
};

// The key length of a libzip encryption method (ZIP_EM_AES_128 ...), or 0 for another method.
int winZipAesKeyBytes(std::uint16_t encryptionMethod);

} // namespace stowfolio::claimkit
