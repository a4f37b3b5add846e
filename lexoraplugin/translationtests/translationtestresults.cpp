#include "translationtestresults.h"

#include "atomicfile.h"
#include "databaseio/databaseiointerface.h"

#include <QDebug>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace Lexora {

namespace {

QJsonObject firstMetaData(const QJsonObject &record)
{
    return record.value(QLatin1String("metaData")).toArray().at(0).toObject();
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
        const QJsonObject metaData = firstMetaData(record);
        QString errorType;
        if (metaData.value(QLatin1String("Missing")).toBool())
            errorType = QStringLiteral("Missing translation");
        else if (metaData.value(QLatin1String("Exceeds")).toBool())
            errorType = QStringLiteral("Exceeds");
        else
            continue;
        const QJsonObject location = metaData.value(QLatin1String("sourceLocation")).toObject();
        errors.append(QJsonObject {
            { QStringLiteral("errorType"), errorType },
            { QStringLiteral("line"), location.value(QLatin1String("line")).toInt() },
            { QStringLiteral("column"), location.value(QLatin1String("column")).toInt() } });
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
        const QJsonObject record = value.toObject();
        const QJsonObject metaData = firstMetaData(record);
        const QJsonObject location = metaData.value(QLatin1String("sourceLocation")).toObject();
        Finding finding { record.value(QLatin1String("componentPath")).toString(),
                          record.value(QLatin1String("translationId")).toString(),
                          record.value(QLatin1String("state")).toString(),
                          location.value(QLatin1String("line")).toInt(),
                          location.value(QLatin1String("column")).toInt(),
                          metaData.value(QLatin1String("Missing")).toBool(),
                          metaData.value(QLatin1String("Exceeds")).toBool() };
        if (finding.missing || finding.exceeds)
            list.append(finding);
    }
    return list;
}

QList<TranslationTestResults::Frame> TranslationTestResults::frames(const QByteArray &resultJson,
                                                                    const QString &filePath,
                                                                    const QColor &plainColor,
                                                                    const QColor &missingColor,
                                                                    const QColor &elideColor)
{
    QList<Frame> list;
    const QJsonArray records = QJsonDocument::fromJson(resultJson).array();
    for (const QJsonValue &value : records) {
        const QJsonObject record = value.toObject();
        if (record.value(QLatin1String("componentPath")).toString() != filePath)
            continue;
        const QJsonObject metaData = firstMetaData(record);
        const QJsonObject location = metaData.value(QLatin1String("sourceLocation")).toObject();
        QColor color = plainColor;
        if (metaData.value(QLatin1String("Exceeds")).toBool())
            color = elideColor;
        if (metaData.value(QLatin1String("Missing")).toBool())
            color = missingColor;
        list.append({ location.value(QLatin1String("line")).toInt(),
                      location.value(QLatin1String("column")).toInt(),
                      color });
    }
    return list;
}

} // namespace Lexora
