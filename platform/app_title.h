#pragma once

#include <QString>

namespace stowfolio {

// The product's full name; also the main window's caption.
inline const QString kProductName = QStringLiteral("Stowfolio");

// `fullName` shortened word by word from the end until it is at most 40 characters long.
QString shortenedAppTitle(const QString& fullName);

// Sets the application title, which message boxes without a title of their own show.
void setAppTitle();

// The title set by setAppTitle, or the product's name for a box shown before that. Kept apart
// from the application display name, which the desktop would append to every window title
// ("Application Error — Stowfolio"), so boxes that name their own title show exactly that.
QString appTitle();

} // namespace stowfolio
