#include "colorbutton.h"

#include <QColorDialog>
#include <QPainter>

namespace Host::Utils {

ColorButton::ColorButton(QWidget *parent) : QToolButton(parent)
{
    connect(this, &QToolButton::clicked, this, &ColorButton::pickColor);
}

ColorButton::~ColorButton() = default;

void ColorButton::setColor(const QColor &color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
    emit colorChanged(m_color);
}

void ColorButton::paintEvent(QPaintEvent *event)
{
    QToolButton::paintEvent(event);
    if (!m_color.isValid())
        return;
    QPainter painter(this);
    const QRect swatch = rect().adjusted(4, 4, -5, -5);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(m_color);
    painter.drawRect(swatch);
}

void ColorButton::pickColor()
{
    const QColor picked = QColorDialog::getColor(
        m_color.isValid() ? m_color : Qt::white, this, QString(), QColorDialog::ShowAlphaChannel);
    if (picked.isValid())
        setColor(picked);
}

} // namespace Host::Utils
