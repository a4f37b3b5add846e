#include <core/iconfontbuilder.h>
#include <core/theme.h>

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QTest>

using namespace Host::Core;

Q_DECLARE_METATYPE(Theme::Glyph)

namespace {

const QList<std::pair<const char *, Theme::Glyph>> allGlyphs {
    { "translate", Theme::Glyph::Translate },        { "file upload", Theme::Glyph::FileUpload },
    { "file download", Theme::Glyph::FileDownload }, { "build", Theme::Glyph::Build },
    { "fact check", Theme::Glyph::FactCheck },       { "spellcheck", Theme::Glyph::Spellcheck },
    { "expand more", Theme::Glyph::ExpandMore },     { "save", Theme::Glyph::Save }
};

QImage glyphImage(Theme::Glyph glyph, int size = 28)
{
    return IconFontBuilder::pixmap(
               Theme::iconFontFamily(), Theme::glyph(glyph), size, Theme::iconColor())
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}

int drawnPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    }
    return count;
}

} // namespace

class tst_HostTheme : public QObject
{
    Q_OBJECT

private slots:
    void fontIsEmbedded()
    {
        QCOMPARE(Theme::iconFontFileName(), QStringLiteral("frmw_propertyIconFont.ttf"));
        QVERIFY(QFile::exists(QStringLiteral(":/host/fonts/frmw_propertyIconFont.ttf")));
        QVERIFY(!Theme::iconFontFamily().isEmpty());
        QVERIFY(QFontDatabase::families().contains(Theme::iconFontFamily()));
    }

    void glyphIsDrawnInThemeColour_data()
    {
        QTest::addColumn<Theme::Glyph>("glyph");
        for (const auto &[name, glyph] : allGlyphs)
            QTest::newRow(name) << glyph;
    }

    void glyphIsDrawnInThemeColour()
    {
        QFETCH(Theme::Glyph, glyph);

        QFont font(Theme::iconFontFamily());
        font.setPixelSize(28);
        // The glyph comes from the icon font itself, not from a fallback font.
        QVERIFY(QFontMetrics(font).inFont(Theme::glyph(glyph).at(0)));

        const QImage image = glyphImage(glyph);
        QCOMPARE(image.size(), QSize(28, 28));
        const int drawn = drawnPixels(image);
        // Visible, and not a filled square either.
        QVERIFY2(drawn > 28 * 28 / 20, qPrintable(QString::number(drawn)));
        QVERIFY2(drawn < 28 * 28, qPrintable(QString::number(drawn)));

        const QColor theme = Theme::iconColor();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (qAlpha(pixel) < 128)
                    continue; // edges blend with the background
                QVERIFY(qAbs(qRed(pixel) - theme.red()) <= 2);
                QVERIFY(qAbs(qGreen(pixel) - theme.green()) <= 2);
                QVERIFY(qAbs(qBlue(pixel) - theme.blue()) <= 2);
            }
        }
    }

    void glyphsAreDistinct()
    {
        // A strip of all glyphs for a person to look at.
        QImage strip(allGlyphs.size() * 36, 36, QImage::Format_ARGB32);
        strip.fill(Qt::white);
        {
            QPainter painter(&strip);
            for (qsizetype i = 0; i < allGlyphs.size(); ++i)
                painter.drawImage(int(i) * 36 + 4, 4, glyphImage(allGlyphs[i].second));
        }
        QVERIFY(QDir().mkpath(QStringLiteral(LEXORA_BINARY_DIR "/screenshots")));
        QVERIFY(strip.save(QStringLiteral(LEXORA_BINARY_DIR "/screenshots/theme-glyphs.png")));

        for (qsizetype i = 0; i < allGlyphs.size(); ++i) {
            for (qsizetype j = i + 1; j < allGlyphs.size(); ++j) {
                QVERIFY2(glyphImage(allGlyphs[i].second) != glyphImage(allGlyphs[j].second),
                         qPrintable(QStringLiteral("glyphs %1 and %2 look the same")
                                        .arg(QLatin1String(allGlyphs[i].first),
                                             QLatin1String(allGlyphs[j].first))));
            }
        }
    }

    void iconSizes_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("valid");

        const QString glyph = Theme::glyph(Theme::Glyph::Build);
        QTest::newRow("toolbar") << Theme::iconFontFamily() << glyph << 28 << true;
        QTest::newRow("small") << Theme::iconFontFamily() << glyph << 16 << true;
        QTest::newRow("no family") << QString() << glyph << 28 << false;
        QTest::newRow("no glyph") << Theme::iconFontFamily() << QString() << 28 << false;
        QTest::newRow("no size") << Theme::iconFontFamily() << glyph << 0 << false;
    }

    void iconSizes()
    {
        QFETCH(QString, family);
        QFETCH(QString, text);
        QFETCH(int, size);
        QFETCH(bool, valid);

        const QIcon icon = IconFontBuilder::icon(family, text, size, Theme::iconColor());
        QCOMPARE(icon.isNull(), !valid);
        if (!valid)
            return;
        QCOMPARE(icon.availableSizes().value(0), QSize(size, size));
        const QPixmap dense = icon.pixmap(QSize(size, size), 2.0);
        QCOMPARE(dense.size(), QSize(2 * size, 2 * size));
        QVERIFY(drawnPixels(dense.toImage()) > 0);
    }

    void toolbarIcons()
    {
        const QIcon expand = Theme::expandIcon();
        const QIcon save = Theme::saveFileIcon();
        QVERIFY(!expand.isNull());
        QVERIFY(!save.isNull());
        QVERIFY(expand.pixmap(16).toImage() != save.pixmap(16).toImage());
    }
};

QTEST_MAIN(tst_HostTheme)
#include "tst_hosttheme.moc"
