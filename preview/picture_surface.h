#pragma once

// The image surface inside the preview's viewport. It paints a sheet picture stretched from a
// source rectangle to its own extent, and only where it is visible, so a surface millions of
// pixels tall costs no more to repaint than a small one. Mouse events leave it in twips relative
// to its own top-left corner.

#include "preview/zoom_model.h"
#include "spreadsheet/render/sheet_picture.h"

#include <QWidget>

#include <memory>

namespace stowfolio::preview {

class PictureSurface : public QWidget
{
    Q_OBJECT
public:
    explicit PictureSurface(QWidget* parent = nullptr);

    // Shows `painting.source` twips of the picture's top-left stretched over
    // `painting.destination` twips of the surface; the rest stays white.
    void setPainting(std::shared_ptr<const spreadsheet::render::SheetPicture> picture,
                     const Painting& painting);
    const Painting& painting() const { return m_painting; }

signals:
    void mousePressed(Qt::MouseButtons buttons, double x, double y);
    void mouseMoved(Qt::MouseButtons buttons, double x, double y);
    void mouseReleased(Qt::MouseButtons buttons, double x, double y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::shared_ptr<const spreadsheet::render::SheetPicture> m_picture;
    Painting m_painting;
};

} // namespace stowfolio::preview
