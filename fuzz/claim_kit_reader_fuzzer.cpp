// Feeds arbitrary bytes, as a file, to the claim kit reader, with a password for kits that are
// protected. A kit it accepts must hold only names a kit may hold, and each entry read back must
// be as long as the kit said and hash to what its manifest lists.

#include "claim_kit/claim_kit_error.h"
#include "claim_kit/kit_manifest.h"
#include "claim_kit/kit_reader.h"

#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace stowfolio;
    using namespace stowfolio::claimkit;
    static const QString path =
        QStringLiteral("/tmp/claim_kit_reader_fuzzer_%1.zip").arg(static_cast<qint64>(::getpid()));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    // Small limits keep a deflated bomb of the fuzzer's size quick to refuse.
    KitLimits limits;
    limits.maxTotalSize = 8 << 20;
    limits.ratioCheckedAbove = 1 << 20;
    limits.maxEntries = 1000;
    try {
        const auto reader = ClaimKitReader::open(path, QStringLiteral("pw"), limits);
        for (const KitEntryInfo& entry : reader->entries()) {
            if (!nameProblem(entry.name.toStdString()).empty())
                std::abort();
            const QByteArray bytes = reader->readBytes(entry.name, 8 << 20);
            if (uint64_t(bytes.size()) != entry.size)
                std::abort();
            Sha256 hash;
            hash.add(bytes.constData(), size_t(bytes.size()));
            if (hash.finish() != entry.digest)
                std::abort();
        }
    } catch (const ClaimKitError&) {
    }
    return 0;
}
