#include "platform/elastic_form.h"

#include <QResizeEvent>

#include <algorithm>

namespace stowfolio {

ElasticForm::ElasticForm(QSize drawnSize, QWidget* parent) : QWidget(parent), m_drawnSize(drawnSize)
{
    resize(drawnSize);
}

void ElasticForm::follow(QWidget* control, unsigned follow)
{
    m_rules.push_back({control, control->geometry(), follow});
    placeControls();
}

void ElasticForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeControls();
}

// Rules are applied in the order they were given, so a control's parent (given first) has its
// new size before the control follows it.
void ElasticForm::placeControls()
{
    const int dx = width() - m_drawnSize.width();
    const int dy = height() - m_drawnSize.height();
    for (const Rule& rule : m_rules) {
        if (!rule.control)
            continue;
        QRect place = rule.drawn;
        if (rule.follow & MoveRight)
            place.translate(dx, 0);
        if (rule.follow & MoveDown)
            place.translate(0, dy);
        if (rule.follow & StretchRight)
            place.setWidth(std::max(0, place.width() + dx));
        if (rule.follow & StretchDown)
            place.setHeight(std::max(0, place.height() + dy));
        rule.control->setGeometry(place);
    }
}

} // namespace stowfolio
