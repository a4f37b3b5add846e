#pragma once

#include "core_global.h"

#include <QColor>
#include <QIcon>
#include <QString>

namespace Host::Core {

// Draws a glyph of an icon font into an icon of a given size and colour.
class HOST_CORE_EXPORT IconFontBuilder
{
public:
    IconFontBuilder() = delete;

    // An icon `pixelSize` square whose glyph is `pixelSize` pixels high,
    // centred, in `color`, with a pixmap for twice the density as well. A null
    // icon when the font family is unknown or the text is empty.
    static QIcon
    icon(const QString &fontFamily, const QString &glyphText, int pixelSize, const QColor &color);
    // The one-density picture behind icon().
    static QPixmap pixmap(const QString &fontFamily,
                          const QString &glyphText,
                          int pixelSize,
                          const QColor &color,
                          qreal devicePixelRatio = 1.0);
};

} // namespace Host::Core
