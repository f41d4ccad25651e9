#include "report/report_drawing.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QTextLayout>

namespace stowfolio::report {

QFont reportFont(double points, bool bold)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

double dotsPerInch(const QPainter& painter)
{
    return painter.device()->logicalDpiX();
}

QRectF inches(const QPainter& painter, const QRectF& rect)
{
    const double dpi = dotsPerInch(painter);
    return QRectF(rect.x() * dpi, rect.y() * dpi, rect.width() * dpi, rect.height() * dpi);
}

QStringList wrappedText(const QString& text, const QFont& font, double widthInches)
{
    constexpr double kLayoutDotsPerInch = 600;
    constexpr double kInchesPerMeter = 39.3701;
    QImage device(1, 1, QImage::Format_Mono);
    device.setDotsPerMeterX(static_cast<int>(kLayoutDotsPerInch * kInchesPerMeter));
    device.setDotsPerMeterY(static_cast<int>(kLayoutDotsPerInch * kInchesPerMeter));
    QTextLayout layout(text, font, &device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(widthInches * device.logicalDpiX());
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    if (lines.isEmpty())
        lines << QString();
    return lines;
}

} // namespace stowfolio::report
