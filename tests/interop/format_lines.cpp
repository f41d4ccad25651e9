#include "tests/interop/format_lines.h"

#include <QJsonValue>
#include <QStringList>

namespace template_layout {

namespace {

QString q(const char* text)
{
    return QString::fromUtf8(text);
}

// A cell format in one line, so that a difference shows whole:
// "Times New Roman 16 bold #273359 | center center wrap | fill #F4F4F4 | thin border | 0".
std::string lookText(const QString& fontName, double points, bool bold, const QString& color,
                     const QString& horizontal, const QString& vertical, bool wrap,
                     const QString& fill, const QString& border, int numberFormatId)
{
    return QStringLiteral("%1 %2%3 %4 | %5 %6%7 | fill %8 | %9 | %10")
        .arg(fontName)
        .arg(points)
        .arg(bold ? " bold" : "", color, horizontal, vertical, wrap ? " wrap" : "", fill, border)
        .arg(numberFormatId)
        .toStdString();
}

} // namespace

std::string expectedLook(const Look& look)
{
    return lookText("Times New Roman", look.points, look.bold,
                    look.fontColor ? q(look.fontColor) : "automatic", q(look.horizontal),
                    q(look.vertical), look.wrap, look.fill ? q(look.fill) : "none",
                    look.border ? "thin border" : "no border", look.numberFormatId);
}

// Reads the description layout that both describe scripts share (font, horizontal, vertical,
// wrap, fill, borders, number_format_id).
std::string seenLook(const QJsonObject& format, bool automaticFontColor)
{
    const QJsonObject font = format.value("font").toObject();
    const QJsonObject fill = format.value("fill").toObject();
    const QJsonObject borders = format.value("borders").toObject();
    QStringList lines;
    for (const char* side : {"left", "right", "top", "bottom"}) {
        const QJsonObject line = borders.value(side).toObject();
        const bool black =
            line.value("color").isNull() || line.value("color").toString() == "#000000";
        lines << QString::number(line.value("style").toInt()) + (black ? "" : " coloured");
    }
    lines.removeDuplicates();
    const QString border = lines == QStringList{"1"}   ? QStringLiteral("thin border")
                           : lines == QStringList{"0"} ? QStringLiteral("no border")
                                                       : "borders " + lines.join(",");
    const int pattern = fill.value("pattern").toInt();
    const QString fillText = pattern == 0   ? QStringLiteral("none")
                             : pattern == 1 ? fill.value("color").toString()
                                            : "pattern " + QString::number(pattern);
    return lookText(
        font.value("name").toString(), font.value("points").toDouble(), font.value("bold").toBool(),
        automaticFontColor ? "automatic" : font.value("color").toString(),
        format.value("horizontal").toString(), format.value("vertical").toString(),
        format.value("wrap").toBool(), fillText, border, format.value("number_format_id").toInt());
}

namespace {

// Gnumeric names number formats by their text: the ids of the table's formats.
int gnumericFormatId(const QString& format)
{
    if (format == "General")
        return 0;
    if (format.endsWith("m/d/yy")) // the system's short date: "[$-f8f2]m/d/yy"
        return 14;
    if (format == q(kCurrency))
        return 8;
    if (format == q(kAccounting))
        return 44;
    return -1;
}

// LibreOffice turns number formats into its own styles: recognise the table's four by their
// parts. 8 is the currency format with red negatives, 44 the accounting format with its text
// section and the dash for zero.
int libreOfficeFormatId(const QJsonObject& format)
{
    const QString kind = format.value("kind").toString();
    const QString text = format.value("text").toString();
    const bool currency = format.value("decimals").toInt() == 2 &&
                          format.value("grouping").toBool() && text.contains('$');
    if (format.value("kind").isNull())
        return 0;
    if (kind == "date")
        return 14;
    if (currency && kind == "number" && format.value("red_negative").toBool())
        return 8;
    if (currency && kind == "text" && text.contains('-') && !format.value("red_negative").toBool())
        return 44;
    return -1;
}

} // namespace

QJsonObject gnumericFormat(const QJsonObject& style)
{
    // Gnumeric shows the fill colour as "back".
    QJsonObject format = style;
    QJsonObject fill = style.value("fill").toObject();
    fill["color"] = fill.value("back");
    format["fill"] = fill;
    format["number_format_id"] = gnumericFormatId(style.value("number_format").toString());
    return format;
}

// LibreOffice's cell style in the layout the xlrd and Gnumeric descriptions share.
QJsonObject libreOfficeFormat(const QJsonObject& style)
{
    QJsonObject format = style;
    const QJsonValue fill = style.value("fill");
    format["fill"] = QJsonObject{{"pattern", fill.isNull() ? 0 : 1}, {"color", fill}};
    QJsonObject borders;
    for (const char* side : {"left", "right", "top", "bottom"}) {
        const QJsonObject line = style.value("borders").toObject().value(side).toObject();
        // Excel's thin line arrives as a solid line of about 0.75 pt.
        const bool thin = line.value("style") == "solid" && line.value("width_pt").toDouble() < 1;
        borders[side] = QJsonObject{{"style", line.isEmpty() ? 0
                                              : thin         ? 1
                                                             : 99},
                                    {"color", line.isEmpty() ? QJsonValue() : line.value("color")}};
    }
    format["borders"] = borders;
    format["number_format_id"] = libreOfficeFormatId(style.value("number_format").toObject());
    return format;
}

} // namespace template_layout
