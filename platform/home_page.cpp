#include "platform/home_page.h"

#include <QDesktopServices>
#include <QRandomGenerator>

#include <cmath>

namespace stowfolio {

RandomFraction systemRandomFraction()
{
    return [] { return QRandomGenerator::global()->generateDouble(); };
}

UrlOpener desktopUrlOpener()
{
    // The desktop's opener (xdg-open and the like) is started detached, so start-up never waits.
    return [](const QUrl& url) { QDesktopServices::openUrl(url); };
}

bool drawsHomePage(double fraction)
{
    return static_cast<int>(std::floor(fraction * 100.0)) + 1 == 7;
}

void openHomePageOnOneStartInAHundred(const RandomFraction& random, const UrlOpener& open)
{
    if (drawsHomePage(random()))
        open(kHomePage);
}

} // namespace stowfolio
