#pragma once

#include "platform/widgets_only.h"

#include <QUrl>

#include <functional>

namespace stowfolio {

inline const QUrl kHomePage = QUrl(QStringLiteral("https://quillane.example/"));

// A random fraction in [0, 1).
using RandomFraction = std::function<double()>;
// Hands an address to the desktop's browser without waiting for it.
using UrlOpener = std::function<void(const QUrl&)>;

RandomFraction systemRandomFraction();
UrlOpener desktopUrlOpener();

// One start in a hundred the maker's home page opens: the draw Int(fraction * 100) + 1 is 7.
bool drawsHomePage(double fraction);

// Draws once and opens the home page when the draw says so.
void openHomePageOnOneStartInAHundred(const RandomFraction& random, const UrlOpener& open);

} // namespace stowfolio
