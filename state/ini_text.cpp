#include "state/ini_text.h"

#include <QDataStream>
#include <QIODevice>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringList>

namespace stowfolio {

namespace {

bool isHexDigit(char16_t ch)
{
    return (ch >= u'0' && ch <= u'9') || (ch >= u'a' && ch <= u'f') || (ch >= u'A' && ch <= u'F');
}

// Section and key names: letters, digits, "_-." as they are, "/" as "\", other Latin-1
// characters as %XX and the rest as %UXXXX.
void appendEscapedKey(const QString& key, QByteArray& out)
{
    static const char kHex[] = "0123456789ABCDEF";
    for (const QChar qch : key) {
        const char16_t ch = qch.unicode();
        if (ch == u'/') {
            out += '\\';
        } else if ((ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') ||
                   (ch >= u'0' && ch <= u'9') || ch == u'_' || ch == u'-' || ch == u'.') {
            out += char(ch);
        } else if (ch <= 0xFF) {
            out += '%';
            out += kHex[ch / 16];
            out += kHex[ch % 16];
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += kHex[(ch >> shift) & 0xF];
        }
    }
}

bool needsQuotesFor(char16_t ch)
{
    return ch == u';' || ch == u',' || ch == u'=';
}

// The escape of a control character, quote or backslash; empty for any other character.
const char* shortEscapeOf(char16_t ch)
{
    switch (ch) {
    case u'\0':
        return "\\0";
    case u'\a':
        return "\\a";
    case u'\b':
        return "\\b";
    case u'\f':
        return "\\f";
    case u'\n':
        return "\\n";
    case u'\r':
        return "\\r";
    case u'\t':
        return "\\t";
    case u'\v':
        return "\\v";
    case u'"':
        return "\\\"";
    case u'\\':
        return "\\\\";
    default:
        return "";
    }
}

// One character that must be escaped: a hex digit right after a numeric escape, a character
// with a short escape ("\\n"), or any other as "\\x" and its hex code. Numeric escapes (and
// "\\0") make a following hex digit need escaping too.
void appendEscape(char16_t ch, bool hexAfterEscape, bool& escapeNextIfHexDigit, QByteArray& out)
{
    const char* escape = hexAfterEscape ? "" : shortEscapeOf(ch);
    if (*escape != 0) {
        out += escape;
        escapeNextIfHexDigit = ch == u'\0';
    } else {
        out += "\\x" + QByteArray::number(ch, 16);
        escapeNextIfHexDigit = true;
    }
}

// A value: control characters, quotes and backslashes escaped, the rest as UTF-8, except in
// the "@ByteArray(" and "@Variant(" forms, whose characters above 0x7E are escaped too. A value
// with ";", "," or "=" or with a blank at either end is put in quotes.
void appendEscapedString(const QString& text, QByteArray& out)
{
    const bool asUtf8 = !(text.startsWith(QLatin1String("@ByteArray(")) ||
                          text.startsWith(QLatin1String("@Variant(")));
    const qsizetype start = out.size();
    bool needsQuotes = false;
    // After "\x41" a following hex digit would join the escape, so it is escaped as well.
    bool escapeNextIfHexDigit = false;
    if (asUtf8) {
        // Byte by byte over the UTF-8 form: the bytes of a character beyond ASCII are never
        // escaped, and runs of plain bytes go out in one piece (the item list is megabytes).
        const QByteArray utf8 = text.toUtf8();
        out.reserve(out.size() + utf8.size() + 2);
        const char* run = utf8.constData();
        const char* const end = run + utf8.size();
        for (const char* p = run; p != end; ++p) {
            const auto byte = static_cast<unsigned char>(*p);
            needsQuotes = needsQuotes || needsQuotesFor(byte);
            const bool hexAfterEscape = escapeNextIfHexDigit && isHexDigit(byte);
            if (!hexAfterEscape && byte > 0x1F && byte != '"' && byte != '\\') {
                escapeNextIfHexDigit = false;
                continue;
            }
            out.append(run, p - run);
            run = p + 1;
            appendEscape(byte, hexAfterEscape, escapeNextIfHexDigit, out);
        }
        out.append(run, end - run);
    } else {
        for (const QChar qch : text) {
            const char16_t ch = qch.unicode();
            needsQuotes = needsQuotes || needsQuotesFor(ch);
            const bool hexAfterEscape = escapeNextIfHexDigit && isHexDigit(ch);
            if (hexAfterEscape || *shortEscapeOf(ch) != 0 || ch <= 0x1F || ch >= 0x7F) {
                appendEscape(ch, hexAfterEscape, escapeNextIfHexDigit, out);
            } else {
                escapeNextIfHexDigit = false;
                out += char(ch);
            }
        }
    }
    if (needsQuotes ||
        (start < out.size() && (out.at(start) == ' ' || out.at(out.size() - 1) == ' '))) {
        out.insert(start, '"');
        out += '"';
    }
}

QString latin1Of(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}

// A single value as text: strings as they are ("@" doubled at the start, "@String(...)" when
// they hold a NUL), and other types in QSettings' "@Type(...)" forms.
QString textOf(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return QStringLiteral("@Invalid()");
    case QMetaType::QByteArray:
        return QStringLiteral("@ByteArray(") + latin1Of(value.toByteArray()) + QLatin1Char(')');
    case QMetaType::QString:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Bool:
    case QMetaType::Float:
    case QMetaType::Double: {
        const QString text = value.toString();
        if (text.contains(QChar::Null))
            return QStringLiteral("@String(") + text + QLatin1Char(')');
        if (text.startsWith(QLatin1Char('@')))
            return QLatin1Char('@') + text;
        return text;
    }
    case QMetaType::QRect: {
        const QRect r = value.toRect();
        return QStringLiteral("@Rect(%1 %2 %3 %4)")
            .arg(r.x())
            .arg(r.y())
            .arg(r.width())
            .arg(r.height());
    }
    case QMetaType::QSize: {
        const QSize s = value.toSize();
        return QStringLiteral("@Size(%1 %2)").arg(s.width()).arg(s.height());
    }
    case QMetaType::QPoint: {
        const QPoint p = value.toPoint();
        return QStringLiteral("@Point(%1 %2)").arg(p.x()).arg(p.y());
    }
    default: {
        const bool dateTime = value.typeId() == QMetaType::QDateTime;
        QByteArray bytes;
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        stream.setVersion(dateTime ? QDataStream::Qt_5_6 : QDataStream::Qt_4_0);
        stream << value;
        return (dateTime ? QStringLiteral("@DateTime(") : QStringLiteral("@Variant(")) +
               latin1Of(bytes) + QLatin1Char(')');
    }
    }
}

void appendValue(const QVariant& value, QByteArray& out)
{
    // A list of one is not written as a list: it would read back as its only item.
    const bool list = value.typeId() == QMetaType::QStringList ||
                      (value.typeId() == QMetaType::QVariantList && value.toList().size() != 1);
    if (!list) {
        appendEscapedString(textOf(value), out);
        return;
    }
    const QVariantList items = value.toList();
    if (items.isEmpty()) {
        out += "@Invalid()";
        return;
    }
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += ", ";
        appendEscapedString(textOf(items[i]), out);
    }
}

} // namespace

QByteArray iniFileText(const QMap<QString, QVariant>& values)
{
    // Section name -> its keys and values; keys without a section first, under [General].
    QMap<QString, QMap<QString, const QVariant*>> sections;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const qsizetype slash = it.key().indexOf(QLatin1Char('/'));
        const QString section = slash < 0 ? QString() : it.key().left(slash);
        const QString key = slash < 0 ? it.key() : it.key().mid(slash + 1);
        sections[section].insert(key, &it.value());
    }
    QByteArray text;
    for (auto section = sections.cbegin(); section != sections.cend(); ++section) {
        if (!text.isEmpty())
            text += '\n';
        QByteArray name;
        appendEscapedKey(section.key(), name);
        if (name.isEmpty())
            text += "[General]";
        else if (name.compare("general", Qt::CaseInsensitive) == 0)
            text += "[%General]";
        else
            text += '[' + name + ']';
        text += '\n';
        for (auto entry = section->cbegin(); entry != section->cend(); ++entry) {
            appendEscapedKey(entry.key(), text);
            text += '=';
            appendValue(*entry.value(), text);
            text += '\n';
        }
    }
    return text;
}

} // namespace stowfolio
