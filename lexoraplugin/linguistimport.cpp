#include "linguistimport.h"

#include "exception.h"
#include "translationfiles/numerusrules.h"
#include "translationfiles/tsreader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>

#include <algorithm>

namespace Lexora {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Lexora", text);
}

// ---- Plural forms ---------------------------------------------------------
// A numerus message keeps every form: form 0 as the translation's text, the
// others as its further plural forms, in the order of the language's plural
// rules, which is the order Qt Linguist writes them in.
void takeForms(const TsMessage &message, TranslationEntry &translation)
{
    translation.translation = message.translations.value(0).toStdString();
    translation.pluralForms.clear();
    if (!message.numerus)
        return;
    for (qsizetype form = 1; form < message.translations.size(); ++form)
        translation.pluralForms.push_back(message.translations.at(form).toStdString());
}

// A message with an empty text, or a numerus message with an empty form or
// fewer forms than the language has: Qt answers none of its forms (lrelease
// writes an empty or missing form as a missing one, and QTranslator then gives
// up on the whole message), so it is no translation yet.
bool isUntranslated(const TsMessage &message, qsizetype languageFormCount)
{
    if (message.translations.isEmpty())
        return true;
    if (message.numerus && message.translations.size() < languageFormCount)
        return true;
    for (const QString &text : message.translations) {
        if (text.isEmpty())
            return true;
    }
    return false;
}

// How many forms a plural message has in the language of a file ("pt_BR").
qsizetype formCountOf(const QString &fileLanguage)
{
    const QLocale locale(fileLanguage);
    const NumerusTableEntry *rules = findNumerusRules(locale.language(), locale.territory());
    return rules ? qsizetype(rules->forms.size()) : 1;
}
// ---------------------------------------------------------------------------

} // namespace

LinguistImport::LinguistImport(const QStringList &projectLanguages, bool takeUnfinished)
    : m_projectLanguages(projectLanguages), m_takeUnfinished(takeUnfinished)
{ }

bool LinguistImport::isLinguistFile(const QString &filePath)
{
    return filePath.endsWith(QLatin1String(".ts"), Qt::CaseInsensitive);
}

// Qt's files name a locale ("pt_BR", "de_DE"), the project BCP 47 codes
// ("pt-BR", "de"): a file is taken under the project's code for the same
// locale, or for its language alone when the project has no code for the
// region.
QString LinguistImport::projectLanguage(const QString &fileLanguage, const QString &filePath)
{
    const QString file = QDir::toNativeSeparators(filePath);
    if (fileLanguage.isEmpty() || fileLanguage == QLatin1String("C")) {
        throw CannotReadLinguistFile(tr("%1 names no language (the language attribute of its "
                                        "<TS> element); set it in Qt Linguist or with lconvert "
                                        "-target-language")
                                         .arg(file)
                                         .toStdString());
    }
    QString code = fileLanguage;
    code.replace(QLatin1Char('_'), QLatin1Char('-'));
    for (const QString &candidate : std::as_const(m_projectLanguages)) {
        if (candidate.compare(code, Qt::CaseInsensitive) == 0)
            return candidate;
    }
    const QString language = code.section(QLatin1Char('-'), 0, 0);
    for (const QString &candidate : std::as_const(m_projectLanguages)) {
        if (candidate.compare(language, Qt::CaseInsensitive) == 0) {
            m_notes.append(
                tr("%1: language %2 taken as the project's %3").arg(file, fileLanguage, candidate));
            return candidate;
        }
    }
    m_notes.append(tr("%1: language %2 is not a supported language of the project; its "
                      "translations are stored as %3 but not generated until the project "
                      "supports it")
                       .arg(file, fileLanguage, code));
    return code;
}

QString LinguistImport::addFile(const QString &filePath)
{
    QFile device(filePath);
    if (!device.open(QIODevice::ReadOnly)) {
        throw CannotReadLinguistFile(
            tr("cannot open %1: %2")
                .arg(QDir::toNativeSeparators(filePath), device.errorString())
                .toStdString());
    }
    const TsReadResult read = readTs(device);
    if (!read.error.isEmpty()) {
        throw CannotReadLinguistFile(QStringLiteral("%1:%2: %3")
                                         .arg(QDir::toNativeSeparators(filePath))
                                         .arg(read.errorLine)
                                         .arg(read.error)
                                         .toStdString());
    }
    const QString language = projectLanguage(read.file.language, filePath);
    const std::string languageCode = language.toStdString();
    const qsizetype formCount = formCountOf(read.file.language);

    for (const TsMessage &message : read.file.messages) {
        ++m_counts.messages;
        if (message.state == TsMessage::Vanished || message.state == TsMessage::Obsolete) {
            ++m_counts.vanished;
            continue;
        }
        // Lexora looks translations up by ID, as lrelease -idbased does,
        // which drops these too.
        if (message.id.isEmpty()) {
            ++m_counts.withoutId;
            continue;
        }
        if (isUntranslated(message, formCount)) {
            ++m_counts.untranslated;
            continue;
        }
        if (message.state == TsMessage::Unfinished && !m_takeUnfinished) {
            ++m_counts.unfinished;
            continue;
        }
        ++m_counts.taken;
        if (message.numerus)
            ++m_counts.plural;

        auto found = m_entryIndex.constFind(message.id);
        if (found == m_entryIndex.constEnd()) {
            found = m_entryIndex.insert(message.id, m_entries.size());
            m_entries.emplace_back().translationTextId = message.id.toStdString();
        }
        TranslationEntries &translations = m_entries[*found].translations;
        auto same = std::find_if(
            translations.begin(), translations.end(), [&](const TranslationEntry &entry) {
                return entry.language == languageCode;
            });
        if (same == translations.end())
            same = translations.insert(translations.end(), TranslationEntry { languageCode, {} });
        takeForms(message, *same);
    }
    return language;
}

} // namespace Lexora
