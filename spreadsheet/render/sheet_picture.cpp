#include "spreadsheet/render/sheet_picture.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

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

template <typename Item>
void sortByTop(std::vector<Item>& items, std::vector<qreal>& reach)
{
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
        return boundsOf(a).top() < boundsOf(b).top();
    });
    reach.resize(items.size());
    qreal lowest = -std::numeric_limits<qreal>::infinity();
    for (size_t i = 0; i < items.size(); ++i) {
        lowest = std::max(lowest, boundsOf(items[i]).bottom());
        reach[i] = lowest;
    }
}

// Calls `draw` for every item whose bounds meet `visible`, in list order.
template <typename Item, typename Draw>
void forVisible(const std::vector<Item>& items, const std::vector<qreal>& reach, bool sorted,
                const QRectF& visible, Draw draw)
{
    size_t first = 0;
    if (sorted)
        first = static_cast<size_t>(std::lower_bound(reach.begin(), reach.end(), visible.top()) -
                                    reach.begin());
    for (size_t i = first; i < items.size(); ++i) {
        const QRectF bounds = boundsOf(items[i]);
        if (sorted && bounds.top() > visible.bottom())
            break;
        if (bounds.right() >= visible.left() && bounds.left() <= visible.right() &&
            bounds.bottom() >= visible.top() && bounds.top() <= visible.bottom())
            draw(items[i]);
    }
}

} // namespace

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
    sortByTop(m_fills, m_fillReach);
    sortByTop(m_lines, m_lineReach);
    sortByTop(m_texts, m_textReach);
    m_finished = true;
}

// Fills first, then texts, then lines: borders stay visible over text that overflows into a
// neighbouring cell, as in a spreadsheet program.
void SheetPicture::paint(QPainter& painter, const QRectF& visible) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    forVisible(m_fills, m_fillReach, m_finished, visible,
               [&](const FillItem& item) { painter.fillRect(item.rect, item.color); });

    painter.setRenderHint(QPainter::TextAntialiasing, true);
    forVisible(m_texts, m_textReach, m_finished, visible, [&](const TextItem& item) {
        painter.setClipRect(item.clip);
        painter.setFont(item.font);
        painter.setPen(item.color);
        painter.drawText(item.rect, item.flags, item.text);
    });
    painter.setClipping(false);

    forVisible(m_lines, m_lineReach, m_finished, visible, [&](const LineItem& item) {
        QPen pen(item.color, item.width, item.style, Qt::FlatCap);
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
