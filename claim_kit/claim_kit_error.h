#pragma once

// The one error type of the claim kit: what went wrong as a kind a caller can act on (ask for
// the password again, say the kit is damaged), the entry it concerns when there is one, and a
// message complete for the user ("receipts/12/tv.pdf: its contents do not match the kit's
// manifest").

#include <QString>

#include <stdexcept>

namespace stowfolio::claimkit {

enum class KitProblem
{
    NotAKit,          // not a zip archive at all
    Damaged,          // truncated, inconsistent, a checksum that does not match
    PasswordNeeded,   // the kit is protected and no password was given
    WrongPassword,    // the password given does not open it
    ManifestMismatch, // an entry missing, unlisted, or whose SHA-256 differs from the manifest
    UnsafeEntry,      // a name that leaves the kit's folder, a link, a device
    TooLarge,         // beyond a limit: entry count, sizes, compression ratio
    Unsupported,      // a compression or encryption method this build cannot read or write
    BadName,          // a name the writer was given that a kit may not hold
    CannotRead,       // a source file or the kit itself cannot be read
    CannotWrite       // the kit or an extracted file cannot be written
};

class ClaimKitError : public std::runtime_error
{
public:
    ClaimKitError(KitProblem problem, const QString& message, const QString& entry = {})
        : std::runtime_error(message.toStdString()), m_problem(problem), m_message(message),
          m_entry(entry)
    {
    }
    KitProblem problem() const { return m_problem; }
    // The kit entry the failure concerns, empty when it concerns the kit as a whole.
    const QString& entry() const { return m_entry; }
    const QString& message() const { return m_message; }

private:
    KitProblem m_problem;
    QString m_message;
    QString m_entry;
};

} // namespace stowfolio::claimkit
