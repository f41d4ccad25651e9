// The picture file: our own small format, written by the snapshot and read by the preview.
//
//   magic "SFPC" (4 bytes), version (u16), width and height in pixels (i32 each),
//   counts of fonts, fills, lines and texts (u32 each), then the items in that order:
//   font  family (u32 byte count + UTF-8), pixel size (i32), weight (u16), style bits (u8:
//         1 italic, 2 underline, 4 strike-out)
//   fill  rectangle (4 x f64: x, y, width, height), colour (u32 ARGB)
//   line  from, to (4 x f64), colour (u32 ARGB), width (f64), pen style (u8)
//   text  rectangle, clip (8 x f64), font index (u32), colour (u32 ARGB), flags (i32),
//         text (u32 byte count + UTF-8)
//
// All numbers big-endian as QDataStream writes them. Fonts are stored once and shared by index,
// which keeps both the file and the loaded picture small. The loader trusts nothing: every
// count is capped by the bytes that are left, every number is checked for range, and a file
// with bytes left over is refused as well.

#include "spreadsheet/render/sheet_picture.h"

#include <QDataStream>
#include <QFile>
#include <QHash>
#include <QSaveFile>

#include <cmath>

namespace spreadsheet::render {

namespace {

constexpr quint32 kMagic = 0x53465043; // "SFPC"
constexpr quint16 kVersion = 1;
constexpr qint64 kMaxFileSize = qint64(1) << 30;
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

// Smallest encoded size of each record, for capping counts by the bytes left.
constexpr qint64 kMinFontBytes = 4 + 4 + 2 + 1;
constexpr qint64 kMinFillBytes = 4 * 8 + 4;
constexpr qint64 kMinLineBytes = 4 * 8 + 4 + 8 + 1;
constexpr qint64 kMinTextBytes = 8 * 8 + 4 + 4 + 4 + 4;

enum StyleBits : quint8
{
    Italic = 1,
    Underline = 2,
    StrikeOut = 4,
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
    return font;
}

// Writing -------------------------------------------------------------------------------------

void writeString(QDataStream& out, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    out << quint32(bytes.size());
    out.writeRawData(bytes.constData(), static_cast<int>(bytes.size()));
}

void writeRect(QDataStream& out, const QRectF& rect)
{
    out << rect.x() << rect.y() << rect.width() << rect.height();
}

// Reading -------------------------------------------------------------------------------------

// Reads the picture from a byte buffer, remembering the first thing that was wrong.
class PictureReader
{
public:
    explicit PictureReader(const QByteArray& bytes) : m_size(bytes.size()), m_in(bytes)
    {
        m_in.setFloatingPointPrecision(QDataStream::DoublePrecision);
    }

    std::optional<SheetPicture> read(QString* problem);

private:
    qint64 bytesLeft() const { return m_size - m_in.device()->pos(); }
    bool fail(const QString& problem);
    bool readCount(const char* what, qint64 minBytes, quint32* count);
    bool readCoordinate(qreal* value);
    bool readRect(QRectF* rect);
    bool readString(QString* text);
    bool readFont();
    bool readFill(SheetPicture& picture);
    bool readLine(SheetPicture& picture);
    bool readText(SheetPicture& picture);

    qint64 m_size;
    QDataStream m_in;
    QString m_problem;
    std::vector<QFont> m_fonts;
};

bool PictureReader::fail(const QString& problem)
{
    if (m_problem.isEmpty())
        m_problem = problem;
    return false;
}

bool PictureReader::readCount(const char* what, qint64 minBytes, quint32* count)
{
    m_in >> *count;
    if (m_in.status() != QDataStream::Ok)
        return fail(QStringLiteral("it ends before the item counts"));
    if (qint64(*count) * minBytes > bytesLeft())
        return fail(QStringLiteral("it claims %1 %2, more than its size can hold")
                        .arg(*count)
                        .arg(QLatin1String(what)));
    return true;
}

bool PictureReader::readCoordinate(qreal* value)
{
    m_in >> *value;
    if (m_in.status() != QDataStream::Ok)
        return fail(QStringLiteral("it ends in the middle of an item"));
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
    quint32 byteCount = 0;
    m_in >> byteCount;
    if (m_in.status() != QDataStream::Ok)
        return fail(QStringLiteral("it ends in the middle of an item"));
    if (byteCount > kMaxStringBytes || qint64(byteCount) > bytesLeft())
        return fail(QStringLiteral("it holds a text longer than the file"));
    QByteArray bytes(static_cast<qsizetype>(byteCount), Qt::Uninitialized);
    if (m_in.readRawData(bytes.data(), static_cast<int>(byteCount)) != int(byteCount))
        return fail(QStringLiteral("it ends in the middle of a text"));
    *text = QString::fromUtf8(bytes);
    return true;
}

bool PictureReader::readFont()
{
    FontKey key;
    qint32 pixelSize = 0;
    quint16 weight = 0;
    if (!readString(&key.family))
        return false;
    m_in >> pixelSize >> weight >> key.style;
    if (m_in.status() != QDataStream::Ok)
        return fail(QStringLiteral("it ends in the middle of a font"));
    if (pixelSize < 1 || pixelSize > kMaxPixelSize || weight < 1 || weight > 1000 ||
        (key.style & ~(Italic | Underline | StrikeOut)) != 0)
        return fail(QStringLiteral("it holds a font with impossible attributes"));
    key.pixelSize = pixelSize;
    key.weight = weight;
    m_fonts.push_back(fontOf(key));
    return true;
}

bool PictureReader::readFill(SheetPicture& picture)
{
    SheetPicture::FillItem item;
    quint32 argb = 0;
    if (!readRect(&item.rect))
        return false;
    m_in >> argb;
    if (m_in.status() != QDataStream::Ok)
        return fail(QStringLiteral("it ends in the middle of a fill"));
    item.color = QColor::fromRgba(argb);
    picture.addFill(std::move(item));
    return true;
}

bool PictureReader::readLine(SheetPicture& picture)
{
    SheetPicture::LineItem item;
    qreal x1, y1, x2, y2;
    quint32 argb = 0;
    quint8 style = 0;
    if (!readCoordinate(&x1) || !readCoordinate(&y1) || !readCoordinate(&x2) ||
        !readCoordinate(&y2))
        return false;
    m_in >> argb >> item.width >> style;
    if (m_in.status() != QDataStream::Ok)
        return fail(QStringLiteral("it ends in the middle of a line"));
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

bool PictureReader::readText(SheetPicture& picture)
{
    SheetPicture::TextItem item;
    quint32 fontIndex = 0;
    quint32 argb = 0;
    qint32 flags = 0;
    if (!readRect(&item.rect) || !readRect(&item.clip))
        return false;
    m_in >> fontIndex >> argb >> flags;
    if (m_in.status() != QDataStream::Ok)
        return fail(QStringLiteral("it ends in the middle of a text"));
    if (fontIndex >= m_fonts.size())
        return fail(
            QStringLiteral("a text names font %1 of %2").arg(fontIndex).arg(m_fonts.size()));
    if ((flags & ~kAllowedTextFlags) != 0)
        return fail(QStringLiteral("a text has unknown layout flags"));
    if (!readString(&item.text))
        return false;
    item.font = m_fonts[fontIndex];
    item.color = QColor::fromRgba(argb);
    item.flags = flags;
    picture.addText(std::move(item));
    return true;
}

std::optional<SheetPicture> PictureReader::read(QString* problem)
{
    quint32 magic = 0;
    quint16 version = 0;
    qint32 width = 0, height = 0;
    m_in >> magic >> version >> width >> height;
    std::optional<SheetPicture> result;
    if (m_in.status() != QDataStream::Ok || magic != kMagic) {
        fail(QStringLiteral("it is not a sheet picture"));
    } else if (version != kVersion) {
        fail(QStringLiteral("it has format version %1; this program reads version %2")
                 .arg(version)
                 .arg(kVersion));
    } else if (width < 0 || height < 0 || width > kMaxCoordinate || height > kMaxCoordinate) {
        fail(QStringLiteral("its size %1 x %2 is impossible").arg(width).arg(height));
    } else {
        SheetPicture picture{QSize(width, height)};
        quint32 fonts = 0, fills = 0, lines = 0, texts = 0;
        bool ok = readCount("fonts", kMinFontBytes, &fonts) &&
                  readCount("fills", kMinFillBytes, &fills) &&
                  readCount("lines", kMinLineBytes, &lines) &&
                  readCount("texts", kMinTextBytes, &texts);
        ok = ok && qint64(fonts) * kMinFontBytes + qint64(fills) * kMinFillBytes +
                           qint64(lines) * kMinLineBytes + qint64(texts) * kMinTextBytes <=
                       bytesLeft();
        if (!ok)
            fail(QStringLiteral("its item counts are more than its size can hold"));
        if (ok && fonts > kMaxFonts)
            ok = fail(QStringLiteral("it claims %1 fonts; a sheet has at most %2")
                          .arg(fonts)
                          .arg(kMaxFonts));
        for (quint32 i = 0; ok && i < fonts; ++i)
            ok = readFont();
        for (quint32 i = 0; ok && i < fills; ++i)
            ok = readFill(picture);
        for (quint32 i = 0; ok && i < lines; ++i)
            ok = readLine(picture);
        for (quint32 i = 0; ok && i < texts; ++i)
            ok = readText(picture);
        if (ok && bytesLeft() != 0)
            ok = fail(QStringLiteral("%1 bytes follow the last item").arg(bytesLeft()));
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
    for (const TextItem& text : m_texts) {
        const FontKey key = keyOf(text.font);
        auto it = fontIndex.find(key);
        if (it == fontIndex.end()) {
            it = fontIndex.insert(key, static_cast<quint32>(fonts.size()));
            fonts.push_back(text.font);
        }
        textFonts.push_back(*it);
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("Cannot write the picture file \"%1\": %2")
                         .arg(path, file.errorString());
        return false;
    }
    QDataStream out(&file);
    out.setFloatingPointPrecision(QDataStream::DoublePrecision);
    out << kMagic << kVersion << qint32(std::max(0, m_size.width()))
        << qint32(std::max(0, m_size.height()));
    out << quint32(fonts.size()) << quint32(m_fills.size()) << quint32(m_lines.size())
        << quint32(m_texts.size());
    for (const QFont& font : fonts) {
        const FontKey key = keyOf(font);
        writeString(out, key.family);
        out << qint32(key.pixelSize) << quint16(key.weight) << key.style;
    }
    for (const FillItem& fill : m_fills) {
        writeRect(out, fill.rect);
        out << quint32(fill.color.rgba());
    }
    for (const LineItem& line : m_lines)
        out << line.from.x() << line.from.y() << line.to.x() << line.to.y()
            << quint32(line.color.rgba()) << line.width << quint8(line.style);
    for (size_t i = 0; i < m_texts.size(); ++i) {
        const TextItem& text = m_texts[i];
        writeRect(out, text.rect);
        writeRect(out, text.clip);
        out << textFonts[i] << quint32(text.color.rgba()) << qint32(text.flags);
        writeString(out, text.text);
    }
    if (out.status() != QDataStream::Ok || !file.commit()) {
        if (error)
            *error = QStringLiteral("Cannot write the picture file \"%1\": %2")
                         .arg(path, file.errorString());
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
    QString problem;
    std::optional<SheetPicture> picture = PictureReader(bytes).read(&problem);
    if (!picture && error)
        *error = QStringLiteral("The picture file \"%1\" is damaged: %2.").arg(path, problem);
    return picture;
}

} // namespace spreadsheet::render
