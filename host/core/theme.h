#pragma once

#include "core_global.h"

#include <QColor>
#include <QIcon>
#include <QString>

namespace Host::Core {

// The studio's look for tool bars: an icon font embedded in the host's
// resources, the glyphs of that font the studio uses, and their colour.
class HOST_CORE_EXPORT Theme
{
public:
    Theme() = delete;

    // Named after what the glyph shows.
    enum class Glyph {
        Translate,
        FileUpload,
        FileDownload,
        Build,
        FactCheck,
        Spellcheck,
        ExpandMore,
        Save,
    };

    // The file the icon font is embedded under.
    static QString iconFontFileName();
    // The family of the embedded icon font; loaded on first use. Empty when the
    // font could not be loaded.
    static QString iconFontFamily();
    // The text that draws `glyph` in the icon font.
    static QString glyph(Glyph glyph);
    // The colour tool bar icons are drawn in.
    static QColor iconColor();

    // Tool bar icons in the theme's colour.
    static QIcon expandIcon();
    static QIcon saveFileIcon();
};

} // namespace Host::Core
