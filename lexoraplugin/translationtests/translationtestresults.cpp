#include "translationtestresults.h"

#include "atomicfile.h"
#include "databaseio/databaseiointerface.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

namespace Lexora {

namespace {

QJsonObject firstMetaData(const QJsonObject &record)
{
    return record.value(QLatin1String("metaData")).toArray().at(0).toObject();
}

QString tr(const char *text)
{
    return QCoreApplication::translate("Lexora", text);
}

QString errorType(bool missing, bool exceeds)
{
    if (missing)
        return QStringLiteral("Missing translation");
    if (exceeds)
        return QStringLiteral("Exceeds");
    return {};
}

// One finding per tested language of a record; one of every language
// together for a record without languages.
// The records of the screen in `filePath`, in the order of the run.
QList<QJsonObject> recordsOfFile(const QByteArray &resultJson, const QString &filePath)
{
    QList<QJsonObject> found;
    for (const QJsonValue &value : QJsonDocument::fromJson(resultJson).array()) {
        QJsonObject record = value.toObject();
        if (record.value(QLatin1String("componentPath")).toString() == filePath)
            found.append(std::move(record));
    }
    return found;
}

// What a record found in every language together.
TranslationTestResults::Finding commonFinding(const QJsonObject &record)
{
    const QJsonObject metaData = firstMetaData(record);
    const QJsonObject location = metaData.value(QLatin1String("sourceLocation")).toObject();
    return { record.value(QLatin1String("componentPath")).toString(),
             record.value(QLatin1String("translationId")).toString(),
             record.value(QLatin1String("state")).toString(),
             location.value(QLatin1String("line")).toInt(),
             location.value(QLatin1String("column")).toInt(),
             metaData.value(QLatin1String("Missing")).toBool(),
             metaData.value(QLatin1String("Exceeds")).toBool(),
             {},
             {},
             {} };
}

QList<TranslationTestResults::Finding> recordFindings(const QJsonObject &record)
{
    const TranslationTestResults::Finding common = commonFinding(record);
    const QJsonArray languages = record.value(QLatin1String("languages")).toArray();
    if (languages.isEmpty())
        return { common };
    QList<TranslationTestResults::Finding> list;
    for (const QJsonValue &value : languages) {
        const QJsonObject language = value.toObject();
        TranslationTestResults::Finding finding = common;
        finding.language = language.value(QLatin1String("language")).toString();
        finding.text = language.value(QLatin1String("text")).toString();
        finding.missing = language.value(QLatin1String("Missing")).toBool();
        finding.exceeds = language.value(QLatin1String("Exceeds")).toBool();
        list.append(finding);
    }
    return list;
}

QColor frameColor(const TranslationTestResults::Finding &finding,
                  const QColor &plainColor,
                  const QColor &missingColor,
                  const QColor &elideColor)
{
    if (finding.missing)
        return missingColor;
    return finding.exceeds ? elideColor : plainColor;
}

// What a person hovering over a frame wants to know: which text, what is
// wrong with it in the language on show, and where else it goes wrong.
QString frameToolTip(const QList<TranslationTestResults::Finding> &findings,
                     const TranslationTestResults::Finding &shown)
{
    QStringList missingIn;
    QStringList elidedIn;
    for (const TranslationTestResults::Finding &finding : findings) {
        if (finding.missing && !finding.language.isEmpty())
            missingIn.append(finding.language);
        if (finding.exceeds && !finding.language.isEmpty())
            elidedIn.append(finding.language);
    }
    QStringList lines { shown.state.isEmpty()
                            ? shown.translationId
                            : tr("%1, state %2").arg(shown.translationId, shown.state) };
    const QString finding = shown.missing ? tr("Missing translation")
        : shown.exceeds                   ? tr("Elided")
                                          : tr("No finding");
    if (shown.language.isEmpty())
        lines.append(finding);
    else if (shown.text.isEmpty())
        lines.append(QStringLiteral("%1: %2").arg(shown.language, finding));
    else
        lines.append(
            QStringLiteral("%1: %2 (\u201c%3\u201d)").arg(shown.language, finding, shown.text));
    if (!missingIn.isEmpty())
        lines.append(tr("Missing translation in: %1").arg(missingIn.join(QLatin1String(", "))));
    if (!elidedIn.isEmpty())
        lines.append(tr("Elided in: %1").arg(elidedIn.join(QLatin1String(", "))));
    return lines.join(QLatin1Char('\n'));
}

} // namespace

void TranslationTestResults::storeScreenMetaData(DatabaseIoInterface *database,
                                                 const QByteArray &resultJson)
{
    if (!database)
        return;
    database->storeScreenMetaData(
        std::string_view(resultJson.constData(), std::size_t(resultJson.size())));
}

QJsonDocument TranslationTestResults::report(const QByteArray &resultJson)
{
    QJsonArray components;
    QString currentPath;
    QJsonArray errors;
    const auto closeComponent = [&] {
        components.append(QJsonObject { { QStringLiteral("componentPath"), currentPath },
                                        { QStringLiteral("errors"), errors } });
    };

    const QJsonArray records = QJsonDocument::fromJson(resultJson).array();
    for (const QJsonValue &value : records) {
        const QJsonObject record = value.toObject();
        const QString path = record.value(QLatin1String("componentPath")).toString();
        if (path != currentPath) {
            if (!currentPath.isEmpty())
                closeComponent();
            errors = QJsonArray();
            currentPath = path;
        }
        for (const Finding &finding : recordFindings(record)) {
            const QString type = errorType(finding.missing, finding.exceeds);
            if (type.isEmpty())
                continue;
            errors.append(QJsonObject { { QStringLiteral("errorType"), type },
                                        { QStringLiteral("line"), finding.line },
                                        { QStringLiteral("column"), finding.column },
                                        { QStringLiteral("language"), finding.language },
                                        { QStringLiteral("state"), finding.state },
                                        { QStringLiteral("translationId"), finding.translationId },
                                        { QStringLiteral("text"), finding.text } });
        }
    }
    closeComponent();
    return QJsonDocument(QJsonObject { { QStringLiteral("components"), components } });
}

bool TranslationTestResults::writeReport(const QString &filePath,
                                         const QByteArray &resultJson,
                                         QString *errorString)
{
    // Reports go beside the project's files; in a cloned project the report's
    // name can be a link to any file the user may write.
    QString error;
    if (const QString link = AtomicFile::linkLeavingDirectory(filePath, QFileInfo(filePath).path());
        !link.isEmpty()) {
        error = QStringLiteral("%1 is a symbolic link that leads out of the project").arg(link);
    } else if (AtomicFile::writeFile(
                   filePath, report(resultJson).toJson(QJsonDocument::Indented), &error)) {
        return true;
    }
    qWarning().noquote() << "Unable to write the translation test report" << filePath << "-"
                         << error;
    if (errorString)
        *errorString = error;
    return false;
}

QList<TranslationTestResults::Finding>
TranslationTestResults::findings(const QByteArray &resultJson)
{
    QList<Finding> list;
    const QJsonArray records = QJsonDocument::fromJson(resultJson).array();
    for (const QJsonValue &value : records) {
        Finding finding = commonFinding(value.toObject());
        if (finding.missing || finding.exceeds)
            list.append(finding);
    }
    return list;
}

QList<TranslationTestResults::Finding>
TranslationTestResults::languageFindings(const QByteArray &resultJson)
{
    QList<Finding> list;
    const QJsonArray records = QJsonDocument::fromJson(resultJson).array();
    for (const QJsonValue &value : records)
        list.append(recordFindings(value.toObject()));
    return list;
}

QStringList TranslationTestResults::testedLanguages(const QByteArray &resultJson)
{
    QStringList languages;
    for (const Finding &finding : languageFindings(resultJson)) {
        if (!finding.language.isEmpty() && !languages.contains(finding.language))
            languages.append(finding.language);
    }
    return languages;
}

QList<TranslationTestResults::Frame> TranslationTestResults::frames(const QByteArray &resultJson,
                                                                    const QString &filePath,
                                                                    const QString &language,
                                                                    const QColor &plainColor,
                                                                    const QColor &missingColor,
                                                                    const QColor &elideColor)
{
    QList<Frame> list;
    for (const QJsonObject &record : recordsOfFile(resultJson, filePath)) {
        const QList<Finding> findings = recordFindings(record);
        const auto inLanguage
            = std::find_if(findings.cbegin(), findings.cend(), [&](const Finding &finding) {
                  return finding.language == language;
              });
        // Not tested in this language: what every language found together.
        Finding shown = findings.constFirst();
        if (inLanguage != findings.cend()) {
            shown = *inLanguage;
        } else {
            shown.language.clear();
            shown.text.clear();
            shown.missing = firstMetaData(record).value(QLatin1String("Missing")).toBool();
            shown.exceeds = firstMetaData(record).value(QLatin1String("Exceeds")).toBool();
        }
        list.append({ shown.line,
                      shown.column,
                      frameColor(shown, plainColor, missingColor, elideColor),
                      frameToolTip(findings, shown) });
    }
    return list;
}

} // namespace Lexora
