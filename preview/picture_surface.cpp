#include "preview/picture_surface.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace stowfolio::preview {

PictureSurface::PictureSurface(QWidget* parent) : QWidget(parent)
{
    // Everything is painted in paintEvent; Qt need not clear or keep anything beneath it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureSurface::setPainting(std::shared_ptr<const spreadsheet::render::SheetPicture> picture,
                                 const Painting& painting)
{
    if (picture == m_picture && painting == m_painting)
        return;
    m_picture = std::move(picture);
    m_painting = painting;
    update();
}

void PictureSurface::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    const Extent source = m_painting.source;
    const Extent destination = m_painting.destination;
    if (!m_picture || source.width <= 0 || source.height <= 0 || destination.width <= 0 ||
        destination.height <= 0)
        return;
    // Surface pixels are destination twips / 15 and picture pixels source twips / 15, so one
    // picture pixel covers destination / source surface pixels on each axis.
    painter.scale(static_cast<double>(destination.width) / static_cast<double>(source.width),
                  static_cast<double>(destination.height) / static_cast<double>(source.height));
    // The source rectangle maps exactly onto the surface, whose own bounds clip the rest.
    const QRectF sourcePixels(0, 0, static_cast<double>(source.width) / kTwipsPerPixel,
                              static_cast<double>(source.height) / kTwipsPerPixel);
    const QRectF visible =
        painter.transform().inverted().mapRect(QRectF(event->rect())).intersected(sourcePixels);
    if (!visible.isEmpty())
        m_picture->paint(painter, visible);
}

void PictureSurface::mousePressEvent(QMouseEvent* event)
{
    emit mousePressed(event->buttons(), event->position().x() * kTwipsPerPixel,
                      event->position().y() * kTwipsPerPixel);
}

void PictureSurface::mouseMoveEvent(QMouseEvent* event)
{
    emit mouseMoved(event->buttons(), event->position().x() * kTwipsPerPixel,
                    event->position().y() * kTwipsPerPixel);
}

void PictureSurface::mouseReleaseEvent(QMouseEvent* event)
{
    emit mouseReleased(event->buttons(), event->position().x() * kTwipsPerPixel,
                       event->position().y() * kTwipsPerPixel);
}

} // namespace stowfolio::preview
