// The picture file: our own small format, written by the snapshot and read by the preview.
//
//   magic "SFPC" (4 bytes), version (u16), width and height in pixels (i32 each),
//   counts of fonts, strings, fills, lines and texts (u32 each), then the items in that order:
//   font    family (u32 byte count + UTF-8), pixel size (i32), weight (u16), style bits (u8:
//           1 italic, 2 underline, 4 strike-out, 8 no kerning, 16 full hinting)
//   string  u32 byte count + UTF-8
//   fill    rectangle (4 x f64: x, y, width, height), colour (u32 ARGB)
//   line    from, to (4 x f64), colour (u32 ARGB), width (f64), pen style (u8)
//   text    reuse bits (u8, TextReuse below), then rectangle x and width (2 x f64), its y and
//           height (2 x f64) unless taken from the previous text, the clip's x and width and its
//           y and height (2 x f64 each) unless taken from the rectangle, font index (u32),
//           colour (u32 ARGB) and flags (u16) each unless taken from the previous text, and
//           the index of its string (u32)
//
// All numbers little-endian (picture_bytes.h). Fonts and strings are stored once and shared by
// index, and a text leaves out what it shares with its neighbour in the row, which keeps both
// the file and the loaded picture small (a sheet repeats its texts a lot). The loader trusts
// nothing: every count is capped by the bytes that are left, every number and index is checked
// for range, and a file with bytes left over is refused as well.

#include "spreadsheet/render/sheet_picture.h"

#include "spreadsheet/files/atomic_file.h"
#include "spreadsheet/render/picture_bytes.h"
#include "spreadsheet/render/style_cache.h"

#include <QFile>
#include <QHash>

#include <array>
#include <cmath>
#include <optional>

namespace spreadsheet::render {

namespace {

constexpr quint32 kMagic = 0x53465043; // "SFPC"
constexpr quint16 kVersion = 3;
constexpr qint64 kMaxFileSize = qint64(1) << 30;
constexpr qint64 kChunkBytes = 1 << 20;
constexpr quint32 kMaxStringBytes = 1 << 20;
// A sheet is at most 65,536 rows of 409 points and 256 columns of 255 characters; anything
// far beyond that is damage, not a picture.
constexpr double kMaxCoordinate = 1e9;
constexpr qint32 kMaxPixelSize = 2000;
// A workbook holds at most a few hundred fonts; each loaded font costs far more memory than its
// bytes in the file, so their number is capped on its own.
constexpr quint32 kMaxFonts = 4096;
constexpr qreal kMaxLineWidth = 100;
constexpr int kAllowedTextFlags = Qt::AlignHorizontal_Mask | Qt::AlignVertical_Mask |
                                  Qt::TextWordWrap | Qt::TextSingleLine | Qt::TextDontClip;
static_assert(kAllowedTextFlags <= 0xFFFF, "text flags are stored in 16 bits");

// Smallest encoded size of each record, for capping counts by the bytes left.
constexpr qint64 kMinFontBytes = 4 + 4 + 2 + 1;
constexpr qint64 kMinStringBytes = 4;
constexpr qint64 kMinFillBytes = 4 * 8 + 4;
constexpr qint64 kMinLineBytes = 4 * 8 + 4 + 8 + 1;
constexpr qint64 kMinTextBytes = 1 + 2 * 8 + 4;

// What a text record leaves out because it equals its neighbour's or its own rectangle's.
enum TextReuse : quint8
{
    RowOfPrevious = 1,     // rectangle y and height as the previous text's
    ClipColumnsOfRect = 2, // clip x and width as the rectangle's
    ClipRowOfRect = 4,     // clip y and height as the rectangle's
    FontOfPrevious = 8,
    ColorOfPrevious = 16,
    FlagsOfPrevious = 32,
};
constexpr quint8 kAllTextReuse = 63;
constexpr quint8 kReuseOfPrevious =
    RowOfPrevious | FontOfPrevious | ColorOfPrevious | FlagsOfPrevious;

enum StyleBits : quint8
{
    Italic = 1,
    Underline = 2,
    StrikeOut = 4,
    NoKerning = 8,
    FullHinting = 16,
};

struct FontKey
{
    QString family;
    int pixelSize;
    int weight;
    quint8 style;
    bool operator==(const FontKey&) const = default;
};

size_t qHash(const FontKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.family, key.pixelSize, key.weight, key.style);
}

FontKey keyOf(const QFont& font)
{
    quint8 style = 0;
    if (font.italic())
        style |= Italic;
    if (font.underline())
        style |= Underline;
    if (font.strikeOut())
        style |= StrikeOut;
    if (!font.kerning())
        style |= NoKerning;
    if (font.hintingPreference() == QFont::PreferFullHinting)
        style |= FullHinting;
    // A font given in points is stored at its pixel size on a 96 dpi screen.
    const int pixelSize =
        font.pixelSize() > 0 ? font.pixelSize() : std::max(1, qRound(font.pointSizeF() * 96 / 72));
    return FontKey{font.family(), pixelSize, font.weight(), style};
}

QFont fontOf(const FontKey& key)
{
    QFont font(key.family);
    font.setPixelSize(key.pixelSize);
    font.setWeight(static_cast<QFont::Weight>(key.weight));
    font.setItalic(key.style & Italic);
    font.setUnderline(key.style & Underline);
    font.setStrikeOut(key.style & StrikeOut);
    font.setKerning(!(key.style & NoKerning));
    if (key.style & FullHinting)
        font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// Writing -------------------------------------------------------------------------------------

void writeRect(ByteSink& out, const QRectF& rect)
{
    out.f64(rect.x());
    out.f64(rect.y());
    out.f64(rect.width());
    out.f64(rect.height());
}

// A text record, leaving out what equals `previous` (the text written before it, if any) or
// its own rectangle.
void writeText(ByteSink& out, const SheetPicture::TextItem& text,
               const SheetPicture::TextItem* previous, quint32 previousFont, quint32 font,
               quint32 string)
{
    const QRectF& rect = text.rect;
    const QRectF& clip = text.clip;
    quint8 reuse = 0;
    if (previous && previous->rect.y() == rect.y() && previous->rect.height() == rect.height())
        reuse |= RowOfPrevious;
    if (clip.x() == rect.x() && clip.width() == rect.width())
        reuse |= ClipColumnsOfRect;
    if (clip.y() == rect.y() && clip.height() == rect.height())
        reuse |= ClipRowOfRect;
    if (previous && previousFont == font)
        reuse |= FontOfPrevious;
    if (previous && previous->color == text.color)
        reuse |= ColorOfPrevious;
    if (previous && previous->flags == text.flags)
        reuse |= FlagsOfPrevious;
    out.u8(reuse);
    out.f64(rect.x());
    out.f64(rect.width());
    if (!(reuse & RowOfPrevious)) {
        out.f64(rect.y());
        out.f64(rect.height());
    }
    if (!(reuse & ClipColumnsOfRect)) {
        out.f64(clip.x());
        out.f64(clip.width());
    }
    if (!(reuse & ClipRowOfRect)) {
        out.f64(clip.y());
        out.f64(clip.height());
    }
    if (!(reuse & FontOfPrevious))
        out.u32(font);
    if (!(reuse & ColorOfPrevious))
        out.u32(text.color.rgba());
    if (!(reuse & FlagsOfPrevious))
        out.u16(static_cast<uint16_t>(text.flags));
    out.u32(string);
}

// The table of the distinct strings of a picture's texts, which stay alive while it is in use.
class DistinctStrings
{
public:
    quint32 indexOf(const QString& text)
    {
        // Texts of a repeated value mostly share one string (the renderer lays each value out
        // once), and comparing where the characters are is cheaper than comparing them.
        const auto shared = m_byCharacters.constFind(text.constData());
        if (shared != m_byCharacters.constEnd() && m_strings[*shared]->size() == text.size())
            return *shared;
        auto found = m_byContent.constFind(QStringView(text));
        if (found == m_byContent.constEnd()) {
            found = m_byContent.insert(QStringView(text), quint32(m_strings.size()));
            m_strings.push_back(&text);
        }
        m_byCharacters.insert(text.constData(), *found);
        return *found;
    }
    const std::vector<const QString*>& all() const { return m_strings; }

private:
    std::vector<const QString*> m_strings;
    QHash<QStringView, quint32> m_byContent;
    QHash<const QChar*, quint32> m_byCharacters;
};

// Reading -------------------------------------------------------------------------------------

// Reads the picture from a byte buffer, remembering the first thing that was wrong.
class PictureReader
{
public:
    explicit PictureReader(const QByteArray& bytes) : m_in(bytes) {}

    std::optional<SheetPicture> read(QString* problem);

private:
    bool fail(const QString& problem);
    // False (with the problem noted) when the cursor ran past the end, reading `what`.
    bool complete(const char* what);
    bool readCount(const char* what, qint64 minBytes, quint32* count);
    bool readCoordinate(qreal* value);
    bool readRect(QRectF* rect);
    bool readString(QString* text);
    bool readFont();
    bool readStoredString();
    bool readFill(SheetPicture& picture);
    bool readLine(SheetPicture& picture);
    bool readText(SheetPicture& picture);

    ByteCursor m_in;
    QString m_problem;
    std::vector<QFont> m_fonts;
    std::vector<QString> m_strings;
};

bool PictureReader::fail(const QString& problem)
{
    if (m_problem.isEmpty())
        m_problem = problem;
    return false;
}

bool PictureReader::complete(const char* what)
{
    return m_in.ok() ||
           fail(QStringLiteral("it ends in the middle of %1").arg(QLatin1String(what)));
}

bool PictureReader::readCount(const char* what, qint64 minBytes, quint32* count)
{
    *count = m_in.u32();
    if (!m_in.ok())
        return fail(QStringLiteral("it ends before the item counts"));
    if (qint64(*count) * minBytes > m_in.left())
        return fail(QStringLiteral("it claims %1 %2, more than its size can hold")
                        .arg(*count)
                        .arg(QLatin1String(what)));
    return true;
}

bool PictureReader::readCoordinate(qreal* value)
{
    *value = m_in.f64();
    if (!complete("an item"))
        return false;
    if (!std::isfinite(*value) || std::abs(*value) > kMaxCoordinate)
        return fail(QStringLiteral("it holds a coordinate out of range"));
    return true;
}

bool PictureReader::readRect(QRectF* rect)
{
    qreal x, y, width, height;
    if (!readCoordinate(&x) || !readCoordinate(&y) || !readCoordinate(&width) ||
        !readCoordinate(&height))
        return false;
    if (width < 0 || height < 0)
        return fail(QStringLiteral("it holds a rectangle of negative size"));
    *rect = QRectF(x, y, width, height);
    return true;
}

bool PictureReader::readString(QString* text)
{
    const quint32 byteCount = m_in.u32();
    if (!complete("an item"))
        return false;
    if (byteCount > kMaxStringBytes || qint64(byteCount) > m_in.left())
        return fail(QStringLiteral("it holds a text longer than the file"));
    *text = m_in.utf8(byteCount);
    return complete("a text");
}

bool PictureReader::readFont()
{
    FontKey key;
    if (!readString(&key.family))
        return false;
    const qint32 pixelSize = m_in.i32();
    const quint16 weight = m_in.u16();
    key.style = m_in.u8();
    if (!complete("a font"))
        return false;
    if (pixelSize < 1 || pixelSize > kMaxPixelSize || weight < 1 || weight > 1000 ||
        (key.style & ~(Italic | Underline | StrikeOut | NoKerning | FullHinting)) != 0)
        return fail(QStringLiteral("it holds a font with impossible attributes"));
    key.pixelSize = pixelSize;
    key.weight = weight;
    m_fonts.push_back(fontOf(key));
    return true;
}

bool PictureReader::readStoredString()
{
    QString text;
    if (!readString(&text))
        return false;
    m_strings.push_back(std::move(text));
    return true;
}

bool PictureReader::readFill(SheetPicture& picture)
{
    SheetPicture::FillItem item;
    if (!readRect(&item.rect))
        return false;
    item.color = QColor::fromRgba(m_in.u32());
    if (!complete("a fill"))
        return false;
    picture.addFill(std::move(item));
    return true;
}

bool PictureReader::readLine(SheetPicture& picture)
{
    SheetPicture::LineItem item;
    qreal x1, y1, x2, y2;
    if (!readCoordinate(&x1) || !readCoordinate(&y1) || !readCoordinate(&x2) ||
        !readCoordinate(&y2))
        return false;
    const quint32 argb = m_in.u32();
    item.width = m_in.f64();
    const quint8 style = m_in.u8();
    if (!complete("a line"))
        return false;
    if (!(item.width >= 0 && item.width <= kMaxLineWidth) || style < Qt::SolidLine ||
        style > Qt::DashDotDotLine)
        return fail(QStringLiteral("it holds a line with impossible attributes"));
    item.from = QPointF(x1, y1);
    item.to = QPointF(x2, y2);
    item.color = QColor::fromRgba(argb);
    item.style = static_cast<Qt::PenStyle>(style);
    picture.addLine(std::move(item));
    return true;
}

// A text's numbers are read first and checked together: a cursor that ran out returns zeros, so
// one check of it after the last read covers them all.
bool PictureReader::readText(SheetPicture& picture)
{
    const quint8 reuse = m_in.u8();
    if (!complete("a text"))
        return false;
    if ((reuse & ~kAllTextReuse) != 0)
        return fail(QStringLiteral("a text has unknown reuse bits"));
    const SheetPicture::TextItem* previous =
        picture.texts().empty() ? nullptr : &picture.texts().back();
    if ((reuse & kReuseOfPrevious) != 0 && !previous)
        return fail(QStringLiteral("the first text refers to one before it"));

    // x, width, y, height of the rectangle, then of the clip.
    std::array<qreal, 8> box{};
    std::array<bool, 8> stored{};
    const auto read = [&](size_t first, bool fromFile, qreal a, qreal b) {
        stored[first] = stored[first + 1] = fromFile;
        box[first] = fromFile ? m_in.f64() : a;
        box[first + 1] = fromFile ? m_in.f64() : b;
    };
    read(0, true, 0, 0);
    if (reuse & RowOfPrevious)
        read(2, false, previous->rect.y(), previous->rect.height());
    else
        read(2, true, 0, 0);
    read(4, !(reuse & ClipColumnsOfRect), box[0], box[1]);
    read(6, !(reuse & ClipRowOfRect), box[2], box[3]);
    const quint32 fontIndex = reuse & FontOfPrevious ? 0 : m_in.u32();
    const quint32 argb = reuse & ColorOfPrevious ? 0 : m_in.u32();
    const quint16 flags = reuse & FlagsOfPrevious ? 0 : m_in.u16();
    const quint32 stringIndex = m_in.u32();
    if (!complete("a text"))
        return false;

    for (size_t i = 0; i < box.size(); ++i)
        if (stored[i] && (!std::isfinite(box[i]) || std::abs(box[i]) > kMaxCoordinate))
            return fail(QStringLiteral("it holds a coordinate out of range"));
    if (box[1] < 0 || box[3] < 0 || box[5] < 0 || box[7] < 0)
        return fail(QStringLiteral("it holds a rectangle of negative size"));
    if (!(reuse & FontOfPrevious) && fontIndex >= m_fonts.size())
        return fail(
            QStringLiteral("a text names font %1 of %2").arg(fontIndex).arg(m_fonts.size()));
    if (!(reuse & FlagsOfPrevious) && (flags & ~kAllowedTextFlags) != 0)
        return fail(QStringLiteral("a text has unknown layout flags"));
    if (stringIndex >= m_strings.size())
        return fail(
            QStringLiteral("a text names string %1 of %2").arg(stringIndex).arg(m_strings.size()));
    picture.addText({QRectF(box[0], box[2], box[1], box[3]), QRectF(box[4], box[6], box[5], box[7]),
                     m_strings[stringIndex],
                     reuse & FontOfPrevious ? previous->font : m_fonts[fontIndex],
                     reuse & ColorOfPrevious ? previous->color : QColor::fromRgba(argb),
                     reuse & FlagsOfPrevious ? previous->flags : flags});
    return true;
}

std::optional<SheetPicture> PictureReader::read(QString* problem)
{
    const quint32 magic = m_in.u32();
    const quint16 version = m_in.u16();
    const qint32 width = m_in.i32();
    const qint32 height = m_in.i32();
    std::optional<SheetPicture> result;
    if (!m_in.ok() || magic != kMagic) {
        fail(QStringLiteral("it is not a sheet picture"));
    } else if (version != kVersion) {
        fail(QStringLiteral("it has format version %1; this program reads version %2")
                 .arg(version)
                 .arg(kVersion));
    } else if (width < 0 || height < 0 || width > kMaxCoordinate || height > kMaxCoordinate) {
        fail(QStringLiteral("its size %1 x %2 is impossible").arg(width).arg(height));
    } else {
        SheetPicture picture{QSize(width, height)};
        quint32 fonts = 0, strings = 0, fills = 0, lines = 0, texts = 0;
        bool ok = readCount("fonts", kMinFontBytes, &fonts) &&
                  readCount("strings", kMinStringBytes, &strings) &&
                  readCount("fills", kMinFillBytes, &fills) &&
                  readCount("lines", kMinLineBytes, &lines) &&
                  readCount("texts", kMinTextBytes, &texts);
        ok = ok && qint64(fonts) * kMinFontBytes + qint64(strings) * kMinStringBytes +
                           qint64(fills) * kMinFillBytes + qint64(lines) * kMinLineBytes +
                           qint64(texts) * kMinTextBytes <=
                       m_in.left();
        if (!ok)
            fail(QStringLiteral("its item counts are more than its size can hold"));
        if (ok && fonts > kMaxFonts)
            ok = fail(QStringLiteral("it claims %1 fonts; a sheet has at most %2")
                          .arg(fonts)
                          .arg(kMaxFonts));
        if (ok)
            picture.reserve(fills, lines, texts);
        for (quint32 i = 0; ok && i < fonts; ++i)
            ok = readFont();
        if (ok)
            m_strings.reserve(strings);
        for (quint32 i = 0; ok && i < strings; ++i)
            ok = readStoredString();
        for (quint32 i = 0; ok && i < fills; ++i)
            ok = readFill(picture);
        for (quint32 i = 0; ok && i < lines; ++i)
            ok = readLine(picture);
        for (quint32 i = 0; ok && i < texts; ++i)
            ok = readText(picture);
        if (ok && m_in.left() != 0)
            ok = fail(QStringLiteral("%1 bytes follow the last item").arg(m_in.left()));
        if (ok) {
            picture.finish();
            result = std::move(picture);
        }
    }
    if (!result && problem)
        *problem = m_problem;
    return result;
}

} // namespace

bool SheetPicture::save(const QString& path, QString* error) const
{
    std::vector<QFont> fonts;
    QHash<FontKey, quint32> fontIndex;
    std::vector<quint32> textFonts;
    textFonts.reserve(m_texts.size());
    // Texts in a row mostly share one font object, so the last one found is tried first.
    const QFont* lastFont = nullptr;
    quint32 lastIndex = 0;
    DistinctStrings strings;
    std::vector<quint32> textStrings;
    textStrings.reserve(m_texts.size());
    for (const TextItem& text : m_texts) {
        if (!lastFont || !lastFont->isCopyOf(text.font)) {
            const FontKey key = keyOf(text.font);
            auto it = fontIndex.find(key);
            if (it == fontIndex.end()) {
                it = fontIndex.insert(key, static_cast<quint32>(fonts.size()));
                fonts.push_back(text.font);
            }
            lastFont = &text.font;
            lastIndex = *it;
        }
        textFonts.push_back(lastIndex);
        textStrings.push_back(strings.indexOf(text.text));
    }

    std::optional<files::AtomicFile> file;
    ByteSink out;
    out.reserve(2 * kChunkBytes);
    // The bytes go to the file a chunk at a time, so that a picture of tens of megabytes never
    // sits in memory a second time.
    const auto flush = [&](qint64 atLeast) {
        if (out.size() >= atLeast) {
            file->write(out.data(), static_cast<size_t>(out.size()));
            out.clear();
        }
    };
    try {
        file.emplace(QFile::encodeName(path).toStdString());
        out.u32(kMagic);
        out.u16(kVersion);
        out.i32(std::max(0, m_size.width()));
        out.i32(std::max(0, m_size.height()));
        for (const size_t count :
             {fonts.size(), strings.all().size(), m_fills.size(), m_lines.size(), m_texts.size()})
            out.u32(static_cast<uint32_t>(count));
        for (const QFont& font : fonts) {
            const FontKey key = keyOf(font);
            out.text(key.family);
            out.i32(key.pixelSize);
            out.u16(static_cast<uint16_t>(key.weight));
            out.u8(key.style);
        }
        for (const QString* text : strings.all()) {
            out.text(*text);
            flush(kChunkBytes);
        }
        for (const FillItem& fill : m_fills) {
            writeRect(out, fill.rect);
            out.u32(fill.color.rgba());
            flush(kChunkBytes);
        }
        for (const LineItem& line : m_lines) {
            out.f64(line.from.x());
            out.f64(line.from.y());
            out.f64(line.to.x());
            out.f64(line.to.y());
            out.u32(line.color.rgba());
            out.f64(line.width);
            out.u8(static_cast<uint8_t>(line.style));
            flush(kChunkBytes);
        }
        for (size_t i = 0; i < m_texts.size(); ++i) {
            writeText(out, m_texts[i], i > 0 ? &m_texts[i - 1] : nullptr,
                      i > 0 ? textFonts[i - 1] : 0, textFonts[i], textStrings[i]);
            flush(kChunkBytes);
        }
        flush(0);
        file->commit();
    } catch (const files::FileError& failure) {
        if (error)
            *error = QStringLiteral("Cannot write the picture file \"%1\": %2")
                         .arg(path, QString::fromStdString(failure.reason()));
        return false;
    }
    return true;
}

std::optional<SheetPicture> SheetPicture::load(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot open the picture file \"%1\": %2")
                         .arg(path, file.errorString());
        return std::nullopt;
    }
    if (file.size() > kMaxFileSize) {
        if (error)
            *error = QStringLiteral("The picture file \"%1\" is damaged: it is larger than any "
                                    "sheet picture.")
                         .arg(path);
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    // The picture names the sheet's fonts; a process that only loads pictures needs the same
    // stand-ins for the fonts the machine lacks as the one that drew them.
    installFontSubstitutes();
    QString problem;
    std::optional<SheetPicture> picture = PictureReader(bytes).read(&problem);
    if (!picture && error)
        *error = QStringLiteral("The picture file \"%1\" is damaged: %2.").arg(path, problem);
    return picture;
}

} // namespace spreadsheet::render
