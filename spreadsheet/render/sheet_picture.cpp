#include "spreadsheet/render/sheet_picture.h"

#include "spreadsheet/render/glyph_painter.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace spreadsheet::render {

namespace {

// The area an item can paint into; items are sorted by its top and looked up by it.
QRectF boundsOf(const SheetPicture::FillItem& item)
{
    return item.rect;
}

QRectF boundsOf(const SheetPicture::LineItem& item)
{
    const qreal half = item.width / 2;
    return QRectF(QPointF(std::min(item.from.x(), item.to.x()) - half,
                          std::min(item.from.y(), item.to.y()) - half),
                  QPointF(std::max(item.from.x(), item.to.x()) + half,
                          std::max(item.from.y(), item.to.y()) + half));
}

QRectF boundsOf(const SheetPicture::TextItem& item)
{
    return item.clip;
}

// Taller than this an item is checked on every repaint instead of being looked up: a handful
// of lines running down the whole sheet would otherwise widen every look-up to the whole list.
constexpr qreal kTallItem = 2048;

// True when no item is tall and the items are sorted by top already, as the renderer and the
// loader add them for texts and fills; one pass over the list then does all of sortByTop's work.
template <typename Item>
bool indexInOnePass(const std::vector<Item>& items, SheetPicture::LookupIndex& index)
{
    qreal tallest = 0;
    qreal lastTop = -std::numeric_limits<qreal>::infinity();
    for (const Item& item : items) {
        const QRectF bounds = boundsOf(item);
        // Written so that a NaN takes the general path, as the partition there treats it.
        if (!(bounds.height() <= kTallItem) || !(bounds.top() >= lastTop))
            return false;
        lastTop = bounds.top();
        tallest = std::max(tallest, bounds.height());
    }
    index.ordinary = items.size();
    index.tallest = tallest;
    return true;
}

template <typename Item>
void sortByTop(std::vector<Item>& items, SheetPicture::LookupIndex& index)
{
    if (indexInOnePass(items, index))
        return;
    const auto tall = std::stable_partition(items.begin(), items.end(), [](const Item& item) {
        return boundsOf(item).height() <= kTallItem;
    });
    const auto byTop = [](const Item& a, const Item& b) {
        return boundsOf(a).top() < boundsOf(b).top();
    };
    // The renderer adds items row by row, so the list is usually sorted already.
    if (!std::is_sorted(items.begin(), tall, byTop))
        std::stable_sort(items.begin(), tall, byTop);
    std::stable_sort(tall, items.end(), byTop);
    index.ordinary = static_cast<size_t>(tall - items.begin());
    index.tallest = 0;
    for (auto it = items.begin(); it != tall; ++it)
        index.tallest = std::max(index.tallest, boundsOf(*it).height());
}

// Whether an item reaches into `visible`. One that only touches its edge paints nothing in it
// and is left out: a cell whose bottom is the top of a printed page's band belongs to the page
// before, and painting it would put its text into the page's PDF as well.
bool meets(const QRectF& bounds, const QRectF& visible)
{
    return bounds.right() > visible.left() && bounds.left() < visible.right() &&
           bounds.bottom() > visible.top() && bounds.top() < visible.bottom();
}

// Calls `draw` for every item whose bounds meet `visible`: the ordinary items found by binary
// search, then the tall ones. Without an index (an unfinished picture) every item is checked.
template <typename Item, typename Draw>
void forVisible(const std::vector<Item>& items, const SheetPicture::LookupIndex* index,
                const QRectF& visible, Draw draw)
{
    if (!index) {
        for (const Item& item : items)
            if (meets(boundsOf(item), visible))
                draw(item);
        return;
    }
    const auto ordinaryEnd = items.begin() + static_cast<std::ptrdiff_t>(index->ordinary);
    const qreal firstTop = visible.top() - index->tallest;
    auto it =
        std::lower_bound(items.begin(), ordinaryEnd, firstTop,
                         [](const Item& item, qreal top) { return boundsOf(item).top() < top; });
    for (; it != ordinaryEnd && boundsOf(*it).top() < visible.bottom(); ++it)
        if (meets(boundsOf(*it), visible))
            draw(*it);
    for (it = ordinaryEnd; it != items.end(); ++it)
        if (meets(boundsOf(*it), visible))
            draw(*it);
}

} // namespace

void SheetPicture::reserve(size_t fills, size_t lines, size_t texts)
{
    m_fills.reserve(m_fills.size() + fills);
    m_lines.reserve(m_lines.size() + lines);
    m_texts.reserve(m_texts.size() + texts);
}

void SheetPicture::addFill(FillItem item)
{
    m_fills.push_back(std::move(item));
    m_finished = false;
}

void SheetPicture::addLine(LineItem item)
{
    m_lines.push_back(std::move(item));
    m_finished = false;
}

void SheetPicture::addText(TextItem item)
{
    if (item.clip.isEmpty())
        item.clip = item.rect;
    m_texts.push_back(std::move(item));
    m_finished = false;
}

void SheetPicture::finish()
{
    sortByTop(m_fills, m_fillIndex);
    sortByTop(m_lines, m_lineIndex);
    sortByTop(m_texts, m_textIndex);
    m_finished = true;
}

// Fills first, then texts, then lines: borders stay visible over text that overflows into a
// neighbouring cell, as in a spreadsheet program. A clip the caller set (a printed page's band
// of rows) holds for all of them: a text's own clip is cut to it, and it comes back after the
// texts instead of no clip at all.
void SheetPicture::paint(QPainter& painter, const QRectF& visible) const
{
    const std::optional<QRectF> outerClip =
        painter.hasClipping() ? std::optional<QRectF>(painter.clipBoundingRect()) : std::nullopt;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    forVisible(m_fills, m_finished ? &m_fillIndex : nullptr, visible,
               [&](const FillItem& item) { painter.fillRect(item.rect, item.color); });

    painter.setRenderHint(QPainter::TextAntialiasing, true);
    // Neighbouring texts share font and colour, so the painter's state changes only when it
    // has to.
    GlyphPainter glyphs(painter, outerClip);
    const QFont* currentFont = nullptr;
    QColor currentColor;
    forVisible(m_texts, m_finished ? &m_textIndex : nullptr, visible, [&](const TextItem& item) {
        // Clipped away whole, a text is not painted at all: a PDF would still hold its words.
        if (outerClip && !item.clip.intersects(*outerClip))
            return;
        if (item.color != currentColor || painter.pen().style() == Qt::NoPen) {
            painter.setPen(item.color);
            currentColor = item.color;
        }
        if ((item.flags & Qt::TextSingleLine) && glyphs.draw(item))
            return;
        if (!currentFont || !currentFont->isCopyOf(item.font)) {
            painter.setFont(item.font);
            currentFont = &item.font;
        }
        painter.setClipRect(outerClip ? item.clip & *outerClip : item.clip);
        painter.drawText(item.rect, item.flags, item.text);
    });
    if (outerClip)
        painter.setClipRect(*outerClip);
    else
        painter.setClipping(false);

    forVisible(m_lines, m_finished ? &m_lineIndex : nullptr, visible, [&](const LineItem& item) {
        QPen pen(item.color, item.width, item.style, Qt::FlatCap);
        // Qt's dots leave two pixels between them; a dotted border is every other pixel.
        if (item.style == Qt::DotLine)
            pen.setDashPattern({1, 1});
        painter.setPen(pen);
        painter.drawLine(item.from, item.to);
    });
    painter.restore();
}

QImage SheetPicture::toImage(double zoom) const
{
    const QSize pixels(static_cast<int>(std::ceil(m_size.width() * zoom)),
                       static_cast<int>(std::ceil(m_size.height() * zoom)));
    QImage image(pixels, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(zoom, zoom);
    paint(painter, QRectF(QPointF(0, 0), QSizeF(m_size)));
    return image;
}

} // namespace spreadsheet::render
