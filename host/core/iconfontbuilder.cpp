#include "iconfontbuilder.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

namespace Host::Core {

QPixmap IconFontBuilder::pixmap(const QString &fontFamily,
                                const QString &glyphText,
                                int pixelSize,
                                const QColor &color,
                                qreal devicePixelRatio)
{
    if (fontFamily.isEmpty() || glyphText.isEmpty() || pixelSize <= 0)
        return {};

    const int devicePixels = qRound(pixelSize * devicePixelRatio);
    QPixmap pixmap(devicePixels, devicePixels);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);

    QFont font(fontFamily);
    font.setPixelSize(pixelSize);
    // A fallback font would draw a box or another symbol instead of nothing.
    font.setStyleStrategy(QFont::NoFontMerging);

    QPainter painter(&pixmap);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QRectF(0, 0, pixelSize, pixelSize), Qt::AlignCenter, glyphText);
    return pixmap;
}

QIcon IconFontBuilder::icon(const QString &fontFamily,
                            const QString &glyphText,
                            int pixelSize,
                            const QColor &color)
{
    const QPixmap normal = pixmap(fontFamily, glyphText, pixelSize, color);
    if (normal.isNull())
        return {};
    QIcon icon;
    icon.addPixmap(normal);
    icon.addPixmap(pixmap(fontFamily, glyphText, pixelSize, color, 2.0));
    return icon;
}

} // namespace Host::Core
