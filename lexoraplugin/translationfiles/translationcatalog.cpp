#include "translationcatalog.h"

#include "catalogformat.h"
#include "qmltranslationextractor.h"
#include "qmreader.h"
#include "qmwriter.h"
#include "tswriter.h"
#include "userfeedbackinterface.h"

namespace Lexora {

namespace {

QList<CatalogFormat> &formatRegistry()
{
    static QList<CatalogFormat> formats;
    return formats;
}

const CatalogFormat *findFormat(const QString &format)
{
    for (const CatalogFormat &candidate : formatRegistry()) {
        if (candidate.extension == format)
            return &candidate;
    }
    return nullptr;
}

// Lives in the same object file as the registry, so linking anything that reads
// or writes catalogues also links the built-in formats.
const bool builtInFormatsRegistered = [] {
    TranslationCatalog::registerCatalogFormat({ QStringLiteral("qm"),
                                                "Compiled Qt translations",
                                                &loadQm,
                                                &saveQm,
                                                CatalogFileType::TranslationBinary,
                                                -1 });
    TranslationCatalog::registerCatalogFormat({ QStringLiteral("ts"),
                                                "Qt translation sources",
                                                &loadTs,
                                                &saveTs,
                                                CatalogFileType::TranslationSource,
                                                -1 });
    TranslationCatalog::registerCatalogFormat({ QStringLiteral("qml"),
                                                "Compiled Qt translations",
                                                &loadQml,
                                                nullptr,
                                                CatalogFileType::TranslationSource,
                                                -1 });
    return true;
}();

} // namespace

const QList<CatalogFormat> &TranslationCatalog::registeredCatalogFormats()
{
    return formatRegistry();
}

void TranslationCatalog::registerCatalogFormat(const CatalogFormat &format)
{
    QList<CatalogFormat> &formats = formatRegistry();
    for (auto it = formats.begin(); it != formats.end(); ++it) {
        if (it->fileType == format.fileType && it->priority > format.priority) {
            formats.insert(it, format);
            return;
        }
    }
    formats.append(format);
}

void TranslationCatalog::reportError(const QString &message) const
{
    if (m_errorSink)
        m_errorSink->addError(message);
}

bool TranslationCatalog::loadCatalog(QIODevice &device,
                                     const QString &fileName,
                                     const QString &format)
{
    if (const CatalogFormat *entry = findFormat(format)) {
        if (entry->loader)
            return entry->loader(*this, device, fileName, m_errorSink);
        reportError(QStringLiteral("No loader for format %1 found").arg(format));
        return false;
    }
    reportError(QStringLiteral("Unknown format %1 for file %2").arg(format, fileName));
    return false;
}

bool TranslationCatalog::saveCatalog(QIODevice &device, const QString &format) const
{
    if (const CatalogFormat *entry = findFormat(format)) {
        if (entry->saver)
            return entry->saver(*this, device, m_errorSink);
        reportError(QStringLiteral("Cannot save %1 files").arg(format));
        return false;
    }
    reportError(QStringLiteral("Unknown format %1").arg(format));
    return false;
}

} // namespace Lexora
