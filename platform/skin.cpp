#include "platform/skin.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>
#include <QWidget>

#include <stdexcept>

namespace stowfolio {

namespace {

void setBackground(QWidget& widget, const QColor& color)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, color);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

bool takesFaceColor(const QWidget& widget)
{
    return qobject_cast<const QGroupBox*>(&widget) || qobject_cast<const QLabel*>(&widget) ||
           qobject_cast<const QCheckBox*>(&widget) || qobject_cast<const QRadioButton*>(&widget);
}

// Walks every control of `window`; picture boxes are included only when asked for.
void colorControls(QWidget& window, bool includePictureBoxes)
{
    const QColor face = faceColor();
    setBackground(window, face);
    for (QWidget* control : window.findChildren<QWidget*>()) {
        if (isPictureBox(*control) ? includePictureBoxes : takesFaceColor(*control))
            setBackground(*control, face);
    }
}

} // namespace

QString skinFilePath(const QString& applicationFolder)
{
    return applicationFolder + QStringLiteral("/x/o.cjs");
}

QColor faceColor()
{
    return QGuiApplication::palette().color(QPalette::Active, QPalette::Button);
}

bool isPictureBox(const QWidget& widget)
{
    return widget.objectName().startsWith(QLatin1String("Picture"));
}

void applySkin(QWidget& form, const QString& applicationFolder)
{
    const QString path = skinFilePath(applicationFolder);
    if (!QFileInfo(path).isFile())
        return;
    colorControls(form, true);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("The skin %1 cannot be loaded: %2")
                                     .arg(QDir::toNativeSeparators(path), file.errorString())
                                     .toStdString());
    form.setStyleSheet(QString::fromUtf8(file.readAll()));
}

void resetFormColours(QWidget& window)
{
    colorControls(window, false);
}

} // namespace stowfolio
