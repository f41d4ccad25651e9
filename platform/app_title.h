#pragma once

#include <QString>

namespace stowfolio {

// The product's full name; also the main window's caption.
inline const QString kProductName = QStringLiteral("Stowfolio");

// `fullName` shortened word by word from the end until it is at most 40 characters long.
QString shortenedAppTitle(const QString& fullName);

// Sets the application display name, which message boxes without a title of their own show.
void SetAppTitle();

} // namespace stowfolio
