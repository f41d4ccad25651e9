#include "platform/app_title.h"

namespace stowfolio {

namespace {

constexpr qsizetype kTitleLimit = 40;

QString& storedAppTitle()
{
    static QString title;
    return title;
}

} // namespace

QString shortenedAppTitle(const QString& fullName)
{
    QString title = fullName;
    while (title.size() > kTitleLimit) {
        const qsizetype lastBlank = title.lastIndexOf(QLatin1Char(' '));
        // A single word longer than the limit has no blank left to cut at; it is cut at the
        // limit rather than looping for ever.
        title = lastBlank < 0 ? title.left(kTitleLimit) : title.left(lastBlank);
    }
    return title;
}

void setAppTitle()
{
    storedAppTitle() = shortenedAppTitle(kProductName);
}

QString appTitle()
{
    const QString& title = storedAppTitle();
    return title.isEmpty() ? kProductName : title;
}

} // namespace stowfolio
