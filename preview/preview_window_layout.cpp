#include "preview/preview_window_layout.h"

#include "platform/elastic_form.h"
#include "platform/twips_rect.h"
#include "preview/picture_surface.h"

#include <QFrame>
#include <QGroupBox>
#include <QPalette>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

namespace stowfolio::preview {

namespace {

QFont arialBold(double points)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

void makeWhite(QWidget& widget)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, Qt::white);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

// Scroll bars keep their platform defaults except that, as on the desktop this window was
// designed for, a trough click moves one position and the picture follows the thumb only when
// it is released.
QScrollBar* makeScrollBar(Qt::Orientation orientation, const QString& name, QWidget& form,
                          const QRect& geometry)
{
    auto* bar = new QScrollBar(orientation, &form);
    bar->setObjectName(name);
    bar->setRange(0, ScrollBarState::kDefaultMaximum);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setTracking(false);
    bar->setFocusPolicy(Qt::StrongFocus);
    bar->setGeometry(geometry);
    return bar;
}

QPushButton* makeButton(const QString& caption, const QString& name, QWidget& parent,
                        const QRect& geometry)
{
    auto* button = new QPushButton(caption, &parent);
    button->setObjectName(name);
    button->setFont(arialBold(11.25));
    button->setAutoDefault(false);
    button->setGeometry(geometry);
    return button;
}

} // namespace

PreviewControls buildPreviewControls(QMainWindow& window)
{
    window.setObjectName(QStringLiteral("Form2"));
    window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    const QSize drawn(spreadsheet::twipsToPixels(static_cast<double>(kPreviewClient.width)),
                      spreadsheet::twipsToPixels(static_cast<double>(kPreviewClient.height)));
    auto* client = new ElasticForm(drawn);
    client->setObjectName(QStringLiteral("Form2Client"));
    client->setFont(arialBold(9));
    ElasticForm& form = *client;

    PreviewControls c;
    c.viewport = new QFrame(&form);
    c.viewport->setObjectName(QStringLiteral("Picture2"));
    c.viewport->setFrameStyle(QFrame::Box | QFrame::Plain);
    c.viewport->setLineWidth(1);
    c.viewport->setGeometry(twipsRect(120, 120, 9330, 7425));
    makeWhite(*c.viewport);
    // The inner area, inside the border: the surface is placed relative to it and clipped by it.
    auto* inner = new QWidget(c.viewport);
    inner->setGeometry(c.viewport->contentsRect());
    makeWhite(*inner);

    c.surface = new PictureSurface(inner);
    c.surface->setObjectName(QStringLiteral("Picture1"));
    c.surface->setGeometry(twipsRect(0, 120, 0, 0));

    c.verticalBar = makeScrollBar(Qt::Vertical, QStringLiteral("VScroll1"), form,
                                  twipsRect(9450, 120, 255, 7425));
    c.horizontalBar = makeScrollBar(Qt::Horizontal, QStringLiteral("HScroll1"), form,
                                    twipsRect(120, 7545, 9330, 255));

    c.zoomFrame = new QGroupBox(QStringLiteral("Zoom:"), &form);
    c.zoomFrame->setObjectName(QStringLiteral("Frame1"));
    c.zoomFrame->setGeometry(twipsRect(120, 7860, 9600, 855));
    c.zoomInButton = makeButton(QStringLiteral("Zoom In"), QStringLiteral("PushButton1"),
                                *c.zoomFrame, twipsRect(240, 300, 4440, 405));
    c.zoomOutButton = makeButton(QStringLiteral("Zoom Out"), QStringLiteral("PushButton2"),
                                 *c.zoomFrame, twipsRect(4800, 300, 4560, 405));

    c.backButton = makeButton(QStringLiteral("< Back"), QStringLiteral("PushButton8"), form,
                              twipsRect(120, 8850, 4680, 405));
    c.saveButton =
        makeButton(QStringLiteral("Save Results To Excel File"), QStringLiteral("PushButton6"),
                   form, twipsRect(4920, 8850, 4800, 405));

    // Extra room goes to the picture: the viewport and its inner area stretch, the scroll bars
    // follow its edges, the zoom frame and the buttons follow the bottom edge. The picture can
    // shrink to kSmallestViewportHeight; the buttons' row never gets narrower than drawn.
    form.follow(c.viewport, ElasticForm::StretchBoth);
    form.follow(inner, ElasticForm::StretchBoth);
    form.follow(c.verticalBar, ElasticForm::MoveRight | ElasticForm::StretchDown);
    form.follow(c.horizontalBar, ElasticForm::MoveDown | ElasticForm::StretchRight);
    for (QWidget* below : {static_cast<QWidget*>(c.zoomFrame), static_cast<QWidget*>(c.backButton),
                           static_cast<QWidget*>(c.saveButton)})
        form.follow(below, ElasticForm::MoveDown);
    // Until the window is first shown the client keeps its drawn size (allowPictureToShrink).
    form.setMinimumSize(drawn);
    // The scroll area takes the client once its controls are in place.
    auto* scroller = new QScrollArea(&window);
    scroller->setObjectName(QStringLiteral("Form2Scroller"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setFocusPolicy(Qt::NoFocus);
    scroller->setWidgetResizable(true);
    scroller->setWidget(client);
    window.setCentralWidget(scroller);

    // The picture boxes take no keyboard input, so the tab order runs through the scroll bars
    // and the buttons.
    QWidget::setTabOrder(c.horizontalBar, c.verticalBar);
    QWidget::setTabOrder(c.verticalBar, c.zoomInButton);
    QWidget::setTabOrder(c.zoomInButton, c.zoomOutButton);
    QWidget::setTabOrder(c.zoomOutButton, c.saveButton);
    QWidget::setTabOrder(c.saveButton, c.backButton);
    c.horizontalBar->setFocus();
    return c;
}

void allowPictureToShrink(QMainWindow& window)
{
    auto* client = window.findChild<QWidget*>(QStringLiteral("Form2Client"));
    if (!client)
        return;
    auto* form = static_cast<ElasticForm*>(client);
    const QSize drawn = form->drawnSize();
    const int drawnViewportHeight = twipsRect(120, 120, 9330, 7425).height();
    form->setMinimumSize(drawn.width(), drawn.height() - drawnViewportHeight +
                                            std::min(kSmallestViewportHeight, drawnViewportHeight));
}

} // namespace stowfolio::preview
