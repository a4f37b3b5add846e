#include "theme.h"

#include "iconfontbuilder.h"

#include <QFontDatabase>
#include <QLoggingCategory>

namespace Host::Core {

namespace {

Q_LOGGING_CATEGORY(themeLog, "host.theme", QtWarningMsg)

constexpr int toolbarIconSize = 16;

QString loadIconFont()
{
    const QString path = QLatin1String(":/host/fonts/") + Theme::iconFontFileName();
    const int id = QFontDatabase::addApplicationFont(path);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (families.isEmpty()) {
        qCWarning(themeLog) << "Cannot load the icon font" << path;
        return {};
    }
    return families.constFirst();
}

} // namespace

QString Theme::iconFontFileName()
{
    return QStringLiteral("frmw_propertyIconFont.ttf");
}

QString Theme::iconFontFamily()
{
    static const QString family = loadIconFont();
    return family;
}

QString Theme::glyph(Glyph glyph)
{
    // Code points of the embedded font (its ligature names in the comments).
    char16_t codePoint = 0;
    switch (glyph) {
    case Glyph::Translate: // translate
        codePoint = 0xe8e2;
        break;
    case Glyph::FileUpload: // file_upload
        codePoint = 0xe2c6;
        break;
    case Glyph::FileDownload: // file_download
        codePoint = 0xe2c4;
        break;
    case Glyph::Build: // build
        codePoint = 0xe869;
        break;
    case Glyph::FactCheck: // fact_check
        codePoint = 0xf0c5;
        break;
    case Glyph::Spellcheck: // spellcheck
        codePoint = 0xe8ce;
        break;
    case Glyph::ExpandMore: // expand_more
        codePoint = 0xe5cf;
        break;
    case Glyph::Save: // save
        codePoint = 0xe161;
        break;
    }
    return QString(QChar(codePoint));
}

QColor Theme::iconColor()
{
    return QColor(0x3d, 0x8c, 0xd6);
}

QIcon Theme::expandIcon()
{
    return IconFontBuilder::icon(
        iconFontFamily(), glyph(Glyph::ExpandMore), toolbarIconSize, iconColor());
}

QIcon Theme::saveFileIcon()
{
    return IconFontBuilder::icon(
        iconFontFamily(), glyph(Glyph::Save), toolbarIconSize, iconColor());
}

} // namespace Host::Core
