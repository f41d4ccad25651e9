#pragma once

// A window's client area laid out as drawn, at fixed places, that can still grow and shrink:
// at its drawn size every control stands exactly where it was drawn; at any other size the
// controls given a rule follow the area's right or bottom edge, moving with it or stretching
// with it, by as much as the area differs from its drawn size. The others stay put.

#include "platform/widgets_only.h"

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <vector>

namespace stowfolio {

class ElasticForm : public QWidget
{
public:
    enum Follow : unsigned
    {
        MoveRight = 1u << 0,
        MoveDown = 1u << 1,
        StretchRight = 1u << 2,
        StretchDown = 1u << 3,
        StretchBoth = StretchRight | StretchDown,
    };

    explicit ElasticForm(QSize drawnSize, QWidget* parent = nullptr);

    QSize drawnSize() const { return m_drawnSize; }
    // `control` (a child at any depth) follows the edges `follow` says; its geometry now is its
    // drawn one.
    void follow(QWidget* control, unsigned follow);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Rule
    {
        QPointer<QWidget> control;
        QRect drawn;
        unsigned follow;
    };
    void placeControls();

    QSize m_drawnSize;
    std::vector<Rule> m_rules;
};

} // namespace stowfolio
