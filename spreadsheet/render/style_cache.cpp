#include "spreadsheet/render/style_cache.h"

#include "spreadsheet/model/twips.h"
#include "spreadsheet/model/workbook.h"

#include <QFontMetricsF>
#include <QRawFont>
#include <QString>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace spreadsheet::render {

struct StyleCache::FontEntry
{
    QFont font;
    TextWidths widths;
};

namespace {

// Share of the foreground colour in each fill pattern (1 solid ... 18 6.25 % grey), used to
// blend the two colours: at the zoom factors of the preview a pattern's dots read as that
// blend anyway.
constexpr double kPatternDensity[19] = {0,    1,    0.5,  0.75, 0.25, 0.5, 0.5, 0.5,   0.5,   0.75,
                                        0.75, 0.25, 0.25, 0.25, 0.25, 0.4, 0.4, 0.125, 0.0625};

QColor rgb(uint32_t value)
{
    return QColor((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

QColor blend(const QColor& foreground, const QColor& background, double share)
{
    const auto mix = [&](int f, int b) {
        return static_cast<int>(std::lround(f * share + b * (1 - share)));
    };
    return QColor(mix(foreground.red(), background.red()),
                  mix(foreground.green(), background.green()),
                  mix(foreground.blue(), background.blue()));
}

bool isGeneral(const std::string& code)
{
    return QString::fromStdString(code).compare(QLatin1String("General"), Qt::CaseInsensitive) == 0;
}

// The widest digit as the font designs it, on the font's height as spreadsheet programs store
// it (whole hundredths of a millimetre), rounded to whole twips. Measured so, columns fall within
// a pixel of theirs: Calibri 11's digit is 111.50 twips on 220 twips but 111.49 on 3.88 mm, which
// rounds to their 111.
ColumnUnit fontColumnUnit(const Font& font)
{
    constexpr int kDesignSize = 2048; // pixels, where the unhinted advance is the design's
    QFont design(QString::fromStdString(font.name));
    design.setPixelSize(kDesignSize);
    design.setBold(font.bold());
    design.setItalic(font.italic);
    design.setHintingPreference(QFont::PreferNoHinting);
    const QRawFont raw = QRawFont::fromFont(design);
    qreal widest = 0;
    if (raw.isValid()) {
        for (const QPointF& advance :
             raw.advancesForGlyphIndexes(raw.glyphIndexesForString(QStringLiteral("0123456789"))))
            widest = std::max(widest, advance.x());
    }
    if (widest <= 0)
        widest = QFontMetricsF(design).horizontalAdvance(QLatin1Char('0'));
    const double storedHeight = std::round(font.heightTwips * 127.0 / 72.0) * 72.0 / 127.0;
    const int digitTwips = static_cast<int>(std::lround(widest / kDesignSize * storedHeight));
    return ColumnUnit{std::max(1, digitTwips), font.heightTwips};
}

} // namespace

void installFontSubstitutes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        QFont::insertSubstitution(QStringLiteral("Times New Roman"),
                                  QStringLiteral("Liberation Serif"));
        QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
        QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
        QFont::insertSubstitution(QStringLiteral("Calibri"), QStringLiteral("Carlito"));
        QFont::insertSubstitution(QStringLiteral("Cambria"), QStringLiteral("Caladea"));
    });
}

QFont qtFont(const Font& font)
{
    QFont result(QString::fromStdString(font.name));
    result.setPixelSize(std::max(1, twipsToPixels(font.heightTwips)));
    result.setBold(font.bold());
    result.setItalic(font.italic);
    result.setUnderline(font.underline != 0);
    result.setStrikeOut(font.strikeout);
    // Cells are measured as they are painted: glyph by glyph, without kerning, and with whole
    // pixel advances as the spreadsheet program's text drawing has them (Arial 10's digits are
    // 7 pixels wide, not 7.23), which decides where a column shows "#" marks.
    result.setKerning(false);
    result.setHintingPreference(QFont::PreferFullHinting);
    return result;
}

ColumnUnit columnUnitOf(const Workbook& workbook)
{
    if (workbook.fonts.empty())
        return ColumnUnit{};
    installFontSubstitutes();
    return fontColumnUnit(workbook.fonts[0]);
}

StyleCache::StyleCache(const Workbook& workbook) : m_workbook(workbook)
{
    installFontSubstitutes();
    m_fonts.resize(workbook.fonts.size());
    m_looks.resize(workbook.xfs.size());
}

StyleCache::~StyleCache() = default;

QColor StyleCache::color(uint16_t index, bool isBackground) const
{
    return rgb(m_workbook.colorOf(index, isBackground));
}

const StyleCache::FontEntry& StyleCache::fontEntry(uint16_t index)
{
    // A format naming a font the workbook lacks draws with the default Arial 10.
    const bool known = index < m_fonts.size();
    std::unique_ptr<FontEntry>& entry = known ? m_fonts[index] : m_missingFont;
    if (!entry) {
        const QFont font = qtFont(known ? m_workbook.fonts[index] : Font{});
        entry = std::make_unique<FontEntry>(FontEntry{font, TextWidths(font)});
    }
    return *entry;
}

CellLook StyleCache::makeLook(const Xf& xf)
{
    const FontEntry& font = fontEntry(xf.font);
    CellLook look;
    look.xf = &xf;
    look.font = &font.font;
    look.widths = &font.widths;
    const uint16_t fontColor = xf.font < m_workbook.fonts.size()
                                   ? m_workbook.fonts[xf.font].colorIndex
                                   : kColorAutomaticFont;
    look.textColor = color(fontColor);
    if (xf.fillPattern >= 1 && xf.fillPattern <= 18) {
        const QColor foreground = color(xf.patternColorIndex);
        look.fill = xf.fillPattern == 1 ? foreground
                                        : blend(foreground, color(xf.backgroundColorIndex, true),
                                                kPatternDensity[xf.fillPattern]);
    }
    look.formatCode = m_workbook.numberFormatCode(xf.format);
    look.generalFormat = isGeneral(look.formatCode);
    return look;
}

const CellLook& StyleCache::firstLook(uint16_t xf)
{
    if (xf >= m_looks.size()) {
        if (!m_defaultLook)
            m_defaultLook = makeLook(m_defaultXf);
        return *m_defaultLook;
    }
    std::optional<CellLook>& look = m_looks[xf];
    if (!look)
        look = makeLook(m_workbook.xfs[xf]);
    return *look;
}

} // namespace spreadsheet::render
