#include "translationfilesummary.h"

#include "translationfiles/translationcatalog.h"

#include <QCoreApplication>
#include <QFile>
#include <QXmlStreamReader>

namespace Lexora {

namespace {

struct Counts
{
    int messages = 0;
    int unfinished = 0;
};

bool countTs(QFile &file, Counts &counts)
{
    QXmlStreamReader reader(&file);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.name() == QLatin1String("message"))
            ++counts.messages;
        else if (reader.name() == QLatin1String("translation")
                 && reader.attributes().value(QLatin1String("type")) == QLatin1String("unfinished"))
            ++counts.unfinished;
    }
    return !reader.hasError();
}

bool countQm(QFile &file, Counts &counts)
{
    TranslationCatalog catalog;
    if (!catalog.loadCatalog(file, file.fileName(), QStringLiteral("qm")))
        return false;
    for (const CatalogMessage &message : catalog.messages()) {
        ++counts.messages;
        if (message.translation == message.id)
            ++counts.unfinished;
    }
    return true;
}

} // namespace

QString translationFileSummary(const QString &filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    Counts counts;
    const bool read
        = filePath.endsWith(QLatin1String(".ts")) ? countTs(file, counts) : countQm(file, counts);
    if (!read)
        return {};
    return QLatin1String(" (")
        + QCoreApplication::translate("Lexora", "%n message(s)", nullptr, counts.messages)
        + QLatin1String(", ")
        + QCoreApplication::translate("Lexora", "%n unfinished", nullptr, counts.unfinished)
        + QLatin1Char(')');
}

} // namespace Lexora
