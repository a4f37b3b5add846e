#include "translationsearchquery.h"

#include <QChar>
#include <QString>
#include <QStringList>

namespace Lexora {

namespace {

bool isSpace(QChar character)
{
    return character.isSpace();
}

// Writing systems that do not put spaces between words.
bool isUnspacedScript(char32_t codePoint)
{
    switch (QChar::script(codePoint)) {
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Hangul:
    case QChar::Script_Bopomofo:
    case QChar::Script_Yi:
    case QChar::Script_Thai:
    case QChar::Script_Lao:
    case QChar::Script_Khmer:
    case QChar::Script_Myanmar:
    case QChar::Script_Tibetan:
        return true;
    default:
        return false;
    }
}

bool hasUnspacedScript(const QString &text)
{
    const QList<uint> codePoints = text.toUcs4();
    for (uint codePoint : codePoints) {
        if (isUnspacedScript(char32_t(codePoint)))
            return true;
    }
    return false;
}

bool hasLetterOrNumber(const QString &text)
{
    const QList<uint> codePoints = text.toUcs4();
    for (uint codePoint : codePoints) {
        if (QChar::isLetterOrNumber(char32_t(codePoint)))
            return true;
    }
    return false;
}

// FTS5's bareword characters: what may stand in a query without quotes.
bool isBarewordCharacter(QChar character)
{
    const char16_t unicode = character.unicode();
    return unicode >= 0x80 || (unicode >= u'0' && unicode <= u'9')
        || (unicode >= u'a' && unicode <= u'z') || (unicode >= u'A' && unicode <= u'Z')
        || unicode == u'_' || unicode == 0x1a;
}

bool isBareword(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (QChar character : text) {
        if (!isBarewordCharacter(character))
            return false;
    }
    return true;
}

bool isOperator(QStringView term)
{
    return term == u"AND" || term == u"OR" || term == u"NOT" || term == u"NEAR";
}

bool isColumnName(QStringView name)
{
    return name.compare(u"language", Qt::CaseInsensitive) == 0
        || name.compare(u"translation", Qt::CaseInsensitive) == 0;
}

// A term FTS5 reads as typed: an operator, a word (`^` first, `*` last
// allowed), or a column filter with or without its word.
bool isQueryTerm(QStringView term)
{
    if (isOperator(term))
        return true;
    const qsizetype colon = term.indexOf(u':');
    if (colon >= 0) {
        QStringView column = term.left(colon);
        if (column.startsWith(u'-'))
            column = column.mid(1);
        return isBareword(column) && (colon + 1 == term.size() || isQueryTerm(term.mid(colon + 1)));
    }
    if (term.startsWith(u'^'))
        term = term.mid(1);
    if (term.endsWith(u'*'))
        term.chop(1);
    return isBareword(term);
}

bool isColumnFilter(QStringView term)
{
    const qsizetype colon = term.indexOf(u':');
    if (colon < 0)
        return false;
    QStringView column = term.left(colon);
    if (column.startsWith(u'-'))
        column = column.mid(1);
    return isColumnName(column);
}

QStringList termsOf(const QString &text)
{
    QStringList terms;
    qsizetype start = -1;
    for (qsizetype index = 0; index <= text.size(); ++index) {
        const bool space = index == text.size() || isSpace(text.at(index));
        if (space && start >= 0) {
            terms.append(text.mid(start, index - start));
            start = -1;
        } else if (!space && start < 0) {
            start = index;
        }
    }
    return terms;
}

QString quotedTermsOf(const QString &text)
{
    QString result;
    qsizetype index = 0;
    const qsizetype size = text.size();
    while (index < size) {
        const QChar character = text.at(index);
        if (isSpace(character) || character == u'(' || character == u')') {
            result += character;
            ++index;
            continue;
        }
        if (character == u'"') {
            // A phrase as typed, "" being a quote inside it; an open phrase
            // is left open, no reading can close it for the user.
            qsizetype end = index + 1;
            while (end < size) {
                if (text.at(end) == u'"') {
                    if (end + 1 < size && text.at(end + 1) == u'"') {
                        end += 2;
                        continue;
                    }
                    break;
                }
                ++end;
            }
            result += text.mid(index, end + 1 - index);
            index = end + 1;
            continue;
        }
        qsizetype end = index;
        while (end < size && !isSpace(text.at(end)) && text.at(end) != u'"' && text.at(end) != u'('
               && text.at(end) != u')')
            ++end;
        const QString term = text.mid(index, end - index);
        if (isQueryTerm(term) || (end < size && text.at(end) == u'(' && term == u"NEAR"))
            result += term;
        else
            result += QString::fromStdString(TranslationSearchQuery::quoted(term.toStdString()));
        index = end;
    }
    return result;
}

} // namespace

std::string TranslationSearchQuery::quoted(std::string_view term)
{
    bool prefix = false;
    while (!term.empty() && term.back() == '*') {
        term.remove_suffix(1);
        prefix = true;
    }
    std::string result = "\"";
    for (char character : term) {
        if (character == '"')
            result += '"';
        result += character;
    }
    result += '"';
    if (prefix)
        result += '*';
    return result;
}

TranslationSearchQuery::TranslationSearchQuery(std::string_view text) : m_text(text)
{
    const QString typed = QString::fromUtf8(text.data(), qsizetype(text.size()));
    const QStringList terms = termsOf(typed);

    m_meaningful = typed.count(u'"') % 2 == 0 && hasLetterOrNumber(typed);
    m_quotedTerms = quotedTermsOf(typed).toStdString();

    QStringList quotedTerms;
    for (const QString &term : terms) {
        if (hasLetterOrNumber(term))
            quotedTerms.append(QString::fromStdString(quoted(term.toStdString())));
    }
    m_quotedText = quotedTerms.join(u' ').toStdString();

    if (terms.size() == 1 && !typed.contains(u'"')) {
        QString id = terms.constFirst();
        while (id.endsWith(u'*'))
            id.chop(1);
        m_idPart = id.toStdString();
        if (!isQueryTerm(terms.constFirst()) && id.toUcs4().size() >= 3 && hasLetterOrNumber(id))
            m_substringTerm = m_idPart;
    }

    // Substrings only where the text is a plain list of terms: with FTS5
    // syntax in it the user asks for FTS5's reading.
    const bool plain = !typed.contains(u'"') && !typed.contains(u'(') && !typed.contains(u')')
        && std::none_of(terms.begin(), terms.end(), [](const QString &term) {
               return isOperator(term) || term.startsWith(u'^') || isColumnFilter(term);
           });
    if (!plain || !hasUnspacedScript(typed))
        return;
    QStringList words;
    for (QString term : terms) {
        if (hasUnspacedScript(term)) {
            while (term.endsWith(u'*'))
                term.chop(1);
            m_substrings.push_back(term.toStdString());
        } else if (hasLetterOrNumber(term)) {
            words.append(QString::fromStdString(quoted(term.toStdString())));
        }
    }
    m_wordQuery = words.join(u' ').toStdString();
}

} // namespace Lexora
