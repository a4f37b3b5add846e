#include "translationchecker.h"

#include "checkdatareader.h"
#include "textcomparison.h"

#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <map>
#include <unordered_map>

namespace Lexora {

namespace {

struct CheckedId
{
    QString translationId;
    QString primaryText;
    TextComparison::Profile primaryProfile;
    QStringList ignored;
    bool hasPrimary = false;
    // IDs of the same primary text share one group: what translators do
    // with a text is counted over all its IDs.
    std::size_t group = 0;
};

bool isIgnored(const CheckedId &id, const QString &check)
{
    return !id.ignored.isEmpty()
        && (id.ignored.contains(check) || id.ignored.contains(QLatin1String("*")));
}

} // namespace

TranslationChecker::TranslationChecker(CheckDataReader &reader) : m_reader(reader) { }

QStringList TranslationChecker::checkNames()
{
    return { QLatin1String(CheckNames::missing),      QLatin1String(CheckNames::placeholders),
             QLatin1String(CheckNames::accelerators), QLatin1String(CheckNames::whitespace),
             QLatin1String(CheckNames::lineBreaks),   QLatin1String(CheckNames::punctuation),
             QLatin1String(CheckNames::markup),       QLatin1String(CheckNames::escapes),
             QLatin1String(CheckNames::identical),    QLatin1String(CheckNames::elided) };
}

QStringList TranslationChecker::parseIgnoreList(QStringView value)
{
    static const QRegularExpression separators(QStringLiteral("[,;\\s]+"));
    QStringList names = value.toString().split(separators, Qt::SkipEmptyParts);
    for (QString &name : names)
        name = name.toLower();
    return names;
}

CheckReport TranslationChecker::check(const QString &primaryLanguage,
                                      const QStringList &languages,
                                      const std::optional<QStringList> &translationIds)
{
    CheckReport report;
    report.primaryLanguage = primaryLanguage;

    // Index every checked ID by its row id, so that the bulk reads below can
    // place each row with one lookup.
    std::vector<CheckedId> checked;
    std::unordered_map<std::int64_t, std::size_t> indexOf;
    const std::vector<CheckDataReader::Translatable> translatables = m_reader.translatables();
    if (translationIds) {
        QStringList ids = *translationIds;
        ids.sort();
        ids.removeDuplicates();
        std::unordered_map<std::string, std::int64_t> rowIds;
        rowIds.reserve(translatables.size());
        for (const CheckDataReader::Translatable &translatable : translatables)
            rowIds.emplace(translatable.translationId, translatable.id);
        checked.reserve(std::size_t(ids.size()));
        for (const QString &id : std::as_const(ids)) {
            const auto row = rowIds.find(id.toStdString());
            if (row != rowIds.end())
                indexOf.emplace(row->second, checked.size());
            checked.push_back({ id, {}, {}, {}, false });
        }
    } else {
        std::vector<const CheckDataReader::Translatable *> sorted;
        sorted.reserve(translatables.size());
        for (const CheckDataReader::Translatable &translatable : translatables)
            sorted.push_back(&translatable);
        std::sort(sorted.begin(), sorted.end(), [](const auto *first, const auto *second) {
            return first->translationId < second->translationId;
        });
        checked.reserve(sorted.size());
        indexOf.reserve(sorted.size());
        for (const CheckDataReader::Translatable *translatable : sorted) {
            indexOf.emplace(translatable->id, checked.size());
            checked.push_back(
                { QString::fromStdString(translatable->translationId), {}, {}, {}, false });
        }
    }
    auto find = [&](std::int64_t translatableId) -> CheckedId * {
        const auto index = indexOf.find(translatableId);
        return index == indexOf.end() ? nullptr : &checked[index->second];
    };

    for (const CheckDataReader::IgnoreRule &rule : m_reader.ignoreRules()) {
        if (CheckedId *id = find(rule.translatableId))
            id->ignored = parseIgnoreList(QString::fromStdString(rule.checks));
    }

    // One pass over the table reads every language: the primary texts are
    // profiled at once, the translations wait in one buffer per language
    // until their language's turn.
    struct BufferedRow
    {
        std::int64_t translatableId;
        std::size_t offset;
        std::size_t length;
    };
    struct BufferedLanguage
    {
        std::string texts;
        std::vector<BufferedRow> rows;
    };
    std::vector<std::string> readLanguages { primaryLanguage.toStdString() };
    for (const QString &language : languages) {
        std::string name = language.toStdString();
        if (std::find(readLanguages.begin(), readLanguages.end(), name) == readLanguages.end())
            readLanguages.push_back(std::move(name));
    }
    std::vector<BufferedLanguage> buffered(readLanguages.size());
    m_reader.readTranslations(
        readLanguages,
        [&](std::size_t language, std::int64_t translatableId, std::string_view text) {
            if (language == 0) {
                if (CheckedId *id = find(translatableId)) {
                    id->primaryText = QString::fromUtf8(text);
                    id->primaryProfile = TextComparison::profile(id->primaryText);
                    id->hasPrimary = true;
                }
                return;
            }
            if (text.empty() || !indexOf.contains(translatableId))
                return;
            BufferedLanguage &rows = buffered[language];
            rows.rows.push_back({ translatableId, rows.texts.size(), text.size() });
            rows.texts.append(text);
        });

    auto addFinding = [&](const CheckedId &id,
                          const QString &check,
                          const QString &language,
                          const QString &translation) {
        if (isIgnored(id, check))
            return;
        report.findings.push_back({ check,
                                    severityOf(check),
                                    id.translationId,
                                    language,
                                    id.primaryText,
                                    translation,
                                    {},
                                    {} });
    };

    const QString missing = QLatin1String(CheckNames::missing);
    const QString identical = QLatin1String(CheckNames::identical);
    const QString punctuation = QLatin1String(CheckNames::punctuation);
    // Per text, in how many translations it is translated, and in how many
    // languages left as it is or ended differently: what several translators
    // do alike is the text's nature (a name, a term, a title such as
    // "What's This?"), not a slip.
    QHash<QString, std::size_t> groupOf;
    // QHash::emplace() would replace the group of a text seen before.
    for (CheckedId &id : checked) {
        const auto known = groupOf.constFind(id.primaryText);
        id.group = known != groupOf.cend() ? known.value()
                                           : groupOf.insert(id.primaryText, groupOf.size()).value();
    }
    std::vector<int> translatedIn(groupOf.size(), 0);
    std::vector<int> identicalIn(groupOf.size(), 0);
    std::vector<int> endedOtherwiseIn(groupOf.size(), 0);
    // A language counts once per text, however many of the text's IDs it
    // treats alike.
    std::vector<int> lastIdentical(groupOf.size(), -1);
    // Of the languages that keep a text, how many write in another script
    // than Latin: a Chinese or Russian translator who leaves a Latin text as
    // it is does so on purpose.
    std::vector<int> keptInOtherScript(groupOf.size(), 0);
    std::vector<int> lastEndedOtherwise(groupOf.size(), -1);
    // Of the translations of a one-word text in Latin letters, how many
    // write the same word ("Finance": "Finanzen", "Finances", "Finanzas"):
    // an international word may stay as it is.
    std::vector<int> latinIn(groupOf.size(), 0);
    std::vector<int> cognateIn(groupOf.size(), 0);
    std::unordered_map<std::int64_t, QStringList> pluralForms;
    std::vector<bool> translated;
    int languageIndex = -1;
    for (const QString &language : languages) {
        if (language == primaryLanguage)
            continue;
        ++languageIndex;
        translated.assign(checked.size(), false);
        LanguageCoverage coverage { language, int(checked.size()), 0, 0 };
        pluralForms.clear();
        m_reader.readPluralForms(language.toStdString(),
                                 [&](std::int64_t translatableId, std::string_view text) {
                                     pluralForms[translatableId].append(QString::fromUtf8(text));
                                 });
        TextComparison::Context context = TextComparison::contextFor(language);
        const QLocale::Script script = QLocale(language).script();
        const bool otherScript = script != QLocale::LatinScript && script != QLocale::AnyScript;
        const std::string languageName = language.toStdString();
        const BufferedLanguage &rows = buffered[std::size_t(
            std::find(readLanguages.begin(), readLanguages.end(), languageName)
            - readLanguages.begin())];
        auto checkTranslation = [&](std::int64_t translatableId, std::string_view text) {
            const auto index = indexOf.find(translatableId);
            if (index == indexOf.end() || text.empty())
                return;
            translated[index->second] = true;
            const CheckedId &id = checked[index->second];
            // Without the primary text there is nothing to compare with.
            if (id.primaryText.isEmpty())
                return;
            const QString translation = QString::fromUtf8(text);
            if (!pluralForms.empty()) {
                const auto forms = pluralForms.find(translatableId);
                context.pluralForms = forms == pluralForms.end() ? QStringList() : forms->second;
            }
            const std::size_t group = id.group;
            ++translatedIn[group];
            const QString &word = id.primaryProfile.singleWord;
            if (!word.isEmpty() && translation != id.primaryText) {
                const QChar first
                    = translation.trimmed().isEmpty() ? QChar() : translation.trimmed().front();
                if (first.isLetter() && first.script() == QChar::Script_Latin) {
                    ++latinIn[group];
                    if (translation.startsWith(
                            QStringView(word).first(std::min<qsizetype>(word.size(), 4)),
                            Qt::CaseInsensitive)
                        || translation.contains(word, Qt::CaseInsensitive))
                        ++cognateIn[group];
                }
            }
            for (const QString &check : TextComparison::failedChecks(
                     id.primaryProfile, id.primaryText, translation, context)) {
                if (check == identical && lastIdentical[group] != languageIndex) {
                    lastIdentical[group] = languageIndex;
                    ++identicalIn[group];
                    keptInOtherScript[group] += otherScript ? 1 : 0;
                } else if (check == punctuation && lastEndedOtherwise[group] != languageIndex) {
                    lastEndedOtherwise[group] = languageIndex;
                    ++endedOtherwiseIn[group];
                }
                addFinding(id, check, language, translation);
            }
        };
        for (const BufferedRow &row : rows.rows)
            checkTranslation(row.translatableId,
                             std::string_view(rows.texts).substr(row.offset, row.length));
        for (std::size_t index = 0; index < checked.size(); ++index) {
            if (translated[index]) {
                ++coverage.translated;
            } else {
                ++coverage.missing;
                addFinding(checked[index], missing, language, {});
            }
        }
        report.coverage.push_back(coverage);
    }

    // Done alike by at least two languages, one in ten of the translations
    // of the text: independent translators agree. A sentence's ending is
    // the translators' choice once three languages end it alike; one word
    // is a loanword once another language keeps it too, or an international
    // word when most translations in Latin letters write it alike.
    QSet<QString> commonlyKept;
    QSet<QString> commonlyEndedOtherwise;
    const auto agreed = [&](int count, std::size_t group) {
        return count >= 2 && count * 10 >= translatedIn[group];
    };
    // A sentence left as it is in a few languages was left untranslated
    // there (Qt's Unicode control character menu in Spanish and French);
    // only most translators keeping it, or translators of Latin and of
    // another script alike, make it a name, a term or a sample text.
    const auto keptAlike = [&](const CheckedId &id) {
        const int count = identicalIn[id.group];
        const int otherScripts = keptInOtherScript[id.group];
        if (otherScripts > 0 && otherScripts < count)
            return true;
        return TextComparison::translatableWords(id.primaryText).size() >= 3
            ? count >= 2 && count * 2 >= translatedIn[id.group]
            : agreed(count, id.group);
    };
    for (const CheckedId &id : checked) {
        const std::size_t group = id.group;
        const bool word = !id.primaryProfile.singleWord.isEmpty();
        if (keptAlike(id) || (word && identicalIn[group] >= 2)
            || (word && latinIn[group] > 0 && cognateIn[group] * 2 >= latinIn[group]))
            commonlyKept.insert(id.translationId);
        if (agreed(endedOtherwiseIn[group], group) || endedOtherwiseIn[group] >= 3)
            commonlyEndedOtherwise.insert(id.translationId);
    }

    // A text whose every word the language's translators use in texts they
    // did translate is written the same in that language ("Zoom", "Version").
    std::map<std::pair<QString, QString>, bool> wordUse;
    const std::string primary = primaryLanguage.toStdString();
    auto isOwnText = [&](const CheckFinding &finding) {
        const QStringList words = TextComparison::translatableWords(finding.translation);
        return std::all_of(words.begin(), words.end(), [&](const QString &word) {
            const auto key = std::make_pair(finding.language, word.toLower());
            auto known = wordUse.find(key);
            if (known == wordUse.end())
                known
                    = wordUse
                          .emplace(key,
                                   m_reader.translatorsUseWord(
                                       finding.language.toStdString(), primary, word.toStdString()))
                          .first;
            return known->second;
        });
    };
    std::erase_if(report.findings, [&](const CheckFinding &finding) {
        if (finding.check == punctuation)
            return commonlyEndedOtherwise.contains(finding.translationId);
        return finding.check == identical
            && (commonlyKept.contains(finding.translationId) || isOwnText(finding));
    });

    const QString elided = QLatin1String(CheckNames::elided);
    for (const CheckDataReader::ElidedText &text : m_reader.elidedTexts()) {
        const CheckedId *id = find(text.translatableId);
        if (!id || isIgnored(*id, elided))
            continue;
        report.findings.push_back({ elided,
                                    severityOf(elided),
                                    id->translationId,
                                    {},
                                    id->primaryText,
                                    {},
                                    QString::fromStdString(text.componentPath),
                                    QString::fromStdString(text.state) });
    }

    const QStringList names = checkNames();
    auto languageRank = [&](const QString &language) {
        const qsizetype index = languages.indexOf(language);
        return index < 0 ? languages.size() : index;
    };
    std::stable_sort(report.findings.begin(),
                     report.findings.end(),
                     [&](const CheckFinding &first, const CheckFinding &second) {
                         const auto firstKey = std::make_tuple(languageRank(first.language),
                                                               names.indexOf(first.check));
                         const auto secondKey = std::make_tuple(languageRank(second.language),
                                                                names.indexOf(second.check));
                         if (firstKey != secondKey)
                             return firstKey < secondKey;
                         return first.translationId < second.translationId;
                     });
    return report;
}

} // namespace Lexora
