#include "preview/preview_window_layout.h"

#include "platform/twips_rect.h"
#include "preview/picture_surface.h"

#include <QFrame>
#include <QGroupBox>
#include <QPalette>
#include <QPushButton>
#include <QScrollBar>

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

Form2Controls buildForm2Controls(QMainWindow& window)
{
    window.setObjectName(QStringLiteral("Form2"));
    window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint);
    auto* client = new QWidget(&window);
    client->setObjectName(QStringLiteral("Form2Client"));
    client->setFixedSize(spreadsheet::twipsToPixels(static_cast<double>(kForm2Client.width)),
                         spreadsheet::twipsToPixels(static_cast<double>(kForm2Client.height)));
    client->setFont(arialBold(9));
    window.setCentralWidget(client);
    QWidget& form = *client;

    Form2Controls c;
    c.Picture2 = new QFrame(&form);
    c.Picture2->setObjectName(QStringLiteral("Picture2"));
    c.Picture2->setFrameStyle(QFrame::Box | QFrame::Plain);
    c.Picture2->setLineWidth(1);
    c.Picture2->setGeometry(twipsRect(120, 120, 9330, 7425));
    makeWhite(*c.Picture2);
    // The inner area, inside the border: the surface is placed relative to it and clipped by it.
    auto* inner = new QWidget(c.Picture2);
    inner->setGeometry(c.Picture2->contentsRect());
    makeWhite(*inner);

    c.Picture1 = new PictureSurface(inner);
    c.Picture1->setObjectName(QStringLiteral("Picture1"));
    c.Picture1->setGeometry(twipsRect(0, 120, 0, 0));

    c.VScroll1 = makeScrollBar(Qt::Vertical, QStringLiteral("VScroll1"), form,
                               twipsRect(9450, 120, 255, 7425));
    c.HScroll1 = makeScrollBar(Qt::Horizontal, QStringLiteral("HScroll1"), form,
                               twipsRect(120, 7545, 9330, 255));

    c.Frame1 = new QGroupBox(QStringLiteral("Zoom:"), &form);
    c.Frame1->setObjectName(QStringLiteral("Frame1"));
    c.Frame1->setGeometry(twipsRect(120, 7860, 9600, 855));
    c.PushButton1 = makeButton(QStringLiteral("Zoom In"), QStringLiteral("PushButton1"), *c.Frame1,
                               twipsRect(240, 300, 4440, 405));
    c.PushButton2 = makeButton(QStringLiteral("Zoom Out"), QStringLiteral("PushButton2"), *c.Frame1,
                               twipsRect(4800, 300, 4560, 405));

    c.PushButton8 = makeButton(QStringLiteral("< Back"), QStringLiteral("PushButton8"), form,
                               twipsRect(120, 8850, 4680, 405));
    c.PushButton6 =
        makeButton(QStringLiteral("Save Results To Excel File"), QStringLiteral("PushButton6"),
                   form, twipsRect(4920, 8850, 4800, 405));

    // The picture boxes take no keyboard input, so the tab order runs through the scroll bars
    // and the buttons.
    QWidget::setTabOrder(c.HScroll1, c.VScroll1);
    QWidget::setTabOrder(c.VScroll1, c.PushButton1);
    QWidget::setTabOrder(c.PushButton1, c.PushButton2);
    QWidget::setTabOrder(c.PushButton2, c.PushButton6);
    QWidget::setTabOrder(c.PushButton6, c.PushButton8);
    c.HScroll1->setFocus();
    return c;
}

} // namespace stowfolio::preview
