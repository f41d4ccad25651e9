#include "platform/prompts.h"

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

} // namespace stowfolio
