#pragma once

// What the report's pages share: its fonts, its line height, its item fields and the
// arithmetic from inches on the page to the device's units. For report/ only.

#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

namespace stowfolio::report {

inline constexpr int kPhotosPerPage = 2;
// Photos are decoded at the size they are printed, at a resolution fit for print.
inline constexpr double kPhotoDotsPerInch = 200;
inline constexpr double kLineInches = 0.22;
inline constexpr int kLocationField = 0;
inline constexpr int kDescriptionField = 1;
inline constexpr int kEstimatedValueField = 7;
inline constexpr int kSerialField = 9;
inline constexpr int kPhotoField = 11;

QFont reportFont(double points, bool bold = false);
// Where the device's inches are: its resolution, for placing text and pictures.
double dotsPerInch(const QPainter& painter);
QRectF inches(const QPainter& painter, const QRectF& rect);
// The lines `text` takes in `font` when it wraps at `widthInches`: between words, or inside a word
// longer than the width. Laid out at print resolution, where a PDF and a printer agree closely
// on the width of text.
QStringList wrappedText(const QString& text, const QFont& font, double widthInches);

} // namespace stowfolio::report
