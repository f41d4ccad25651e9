#pragma once

// Window colours and the optional skin. The skin is a Qt style sheet kept beside the executable
// as x/o.cjs; without it the main window keeps its own white look.

#include "platform/widgets_only.h"

#include <QColor>
#include <QString>

class QWidget;

namespace stowfolio {

// The skin file for an application folder: <folder>/x/o.cjs.
QString skinFilePath(const QString& applicationFolder);

// The system's button-face colour.
QColor faceColor();

// When the skin file exists: gives `form` and its frames, labels, check boxes, option buttons
// and picture boxes the face colour, then applies the style sheet to `form`. Does nothing at all
// without the file. Throws std::runtime_error when the file exists but cannot be read; the
// colours already set stay.
void applySkin(QWidget& form, const QString& applicationFolder);

// Gives `window` and its frames, labels, check boxes and option buttons the face colour.
// Picture boxes keep theirs.
void resetFormColours(QWidget& window);

// Picture boxes are recognised by their name, "Picture1", "Picture2", ...
bool isPictureBox(const QWidget& widget);

} // namespace stowfolio
