#include "pseudolocale.h"

#include <QLocale>

namespace Lexora {

namespace {

constexpr char16_t accented[] = u"ÅƁÇĐÉƑĜĤÎĴĶĻṀÑÖÞǪŔŠŢÛṼŴẊÝŽåƀçđéƒĝĥîĵķļɱñöþǫŕšţûṽŵẋýž";

QChar accent(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'A' && u <= u'Z')
        return QChar(accented[u - u'A']);
    if (u >= u'a' && u <= u'z')
        return QChar(accented[26 + u - u'a']);
    return c;
}

// The length of what a placeholder, markup or an accelerator starting at
// `position` takes, which stays as it is; 0 for an ordinary character.
qsizetype keptLength(const QString &text, qsizetype position)
{
    const QChar c = text.at(position);
    const qsizetype rest = text.size() - position;
    if (c == u'%' && rest > 1) {
        qsizetype end = position + 1;
        if (text.at(end) == u'L' && rest > 2)
            ++end;
        if (text.at(end) == u'n')
            return end + 1 - position;
        qsizetype digits = end;
        while (digits < text.size() && digits - end < 2 && text.at(digits).isDigit())
            ++digits;
        return digits > end ? digits - position : 0;
    }
    if (c == u'<') {
        const qsizetype close = text.indexOf(u'>', position);
        return close > position ? close + 1 - position : 0;
    }
    if (c == u'&' && rest > 1) {
        const qsizetype semicolon = text.indexOf(u';', position);
        if (semicolon > position + 1 && semicolon - position <= 8) {
            bool isEntity = true;
            for (qsizetype i = position + 1; i < semicolon && isEntity; ++i)
                isEntity = text.at(i).isLetterOrNumber() || text.at(i) == u'#';
            if (isEntity)
                return semicolon + 1 - position;
        }
        return 2;
    }
    return 0;
}

} // namespace

qsizetype PseudoLocale::growth(qsizetype length, int expansionPercent)
{
    // The translation of a short text grows most (a word becomes a phrase,
    // "Try it free" four times as long in German); the chosen share is that
    // of long texts. In halves of the share, rounded up so a short text grows.
    const qsizetype halves = length <= 10 ? 10
        : length <= 20                    ? 8
        : length <= 30                    ? 4
        : length <= 50                    ? 3
                                          : 2;
    return (length * std::max(0, expansionPercent) * halves + 199) / 200;
}

QStringList PseudoLocale::codes()
{
    return { QStringLiteral("qps-ploc"), QStringLiteral("qps-plocm") };
}

bool PseudoLocale::isPseudoLocale(std::string_view code)
{
    return code == "qps-ploc" || code == "qps-plocm";
}

bool PseudoLocale::isMirrored(std::string_view code)
{
    return code == "qps-plocm";
}

QString PseudoLocale::transform(const QString &text, int expansionPercent, bool mirrored)
{
    QString body;
    body.reserve(text.size() * 2);
    qsizetype visible = 0;
    for (qsizetype position = 0; position < text.size();) {
        if (const qsizetype kept = keptLength(text, position); kept > 0) {
            body += QStringView(text).mid(position, kept);
            position += kept;
            ++visible;
            continue;
        }
        const QChar c = text.at(position++);
        body += accent(c);
        if (!c.isSpace())
            ++visible;
    }
    const qsizetype extra = growth(visible, expansionPercent);
    QString padding;
    for (qsizetype i = 0; i < extra; ++i)
        padding += (i % 6 == 5) ? QLatin1Char(' ') : QLatin1Char('~');
    const QString pseudo = QLatin1Char('[') + body + padding + QLatin1Char(']');
    if (!mirrored)
        return pseudo;
    // A right-to-left mark makes the paragraph right to left, as the first
    // strong character of an Arabic text would; the override shows the
    // letters in mirrored order.
    return QStringLiteral("\u200F\u202E") + pseudo + QStringLiteral("\u202C");
}

QString PseudoLocale::previewFileName(const QString &code)
{
    const QStringList names = QLocale(code).uiLanguages();
    QString name = names.isEmpty() ? code : names.constFirst();
    name.replace(QLatin1Char('-'), QLatin1Char('_'));
    return QStringLiteral("qml_%1.qm").arg(name);
}

} // namespace Lexora
