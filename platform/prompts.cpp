#include "platform/prompts.h"

#include <QDir>
#include <QFileInfo>

namespace stowfolio {

QString saveFileNameWithSuffix(Prompts& prompts, const QString& title, const QString& filter,
                               const QString& suffix)
{
    QString path = prompts.saveFileName(title, filter);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + suffix;
    return path;
}

bool confirmOverwrite(Prompts& prompts, const QString& path)
{
    // A folder is not written over: its writer says so.
    const QFileInfo target(path);
    return !target.exists() || target.isDir() ||
           prompts.askYesNo(QStringLiteral("Are you sure you wish to overwrite ") + path +
                                QStringLiteral(" ?"),
                            QString(), DefaultAnswer::Yes);
}

std::optional<ReadOnlyTarget> confirmReplacingReadOnly(Prompts& prompts, const QString& path)
{
    if (!isReadOnlyFile(path))
        return ReadOnlyTarget::Refuse;
    if (!prompts.askYesNo(QStringLiteral("%1 is read-only. Do you want to replace it anyway?")
                              .arg(QDir::toNativeSeparators(path)),
                          QString(), DefaultAnswer::No))
        return std::nullopt;
    return ReadOnlyTarget::Replace;
}

} // namespace stowfolio
