#include "translationfileservices.h"

#include "translationfiles/translationcatalog.h"

namespace Lexora {

QList<CatalogMessage> TranslationFileServices::loadMessages(QIODevice *device,
                                                            std::string_view path,
                                                            const QString &format,
                                                            bool *complete)
{
    if (complete)
        *complete = false;
    // A file that could not be opened contributes nothing, like one that does
    // not parse.
    if (!device)
        return {};

    TranslationCatalog catalog(&m_feedback);
    // Whatever a failing loader appended before it gave up is kept.
    const bool loaded = catalog.loadCatalog(*device, QString::fromUtf8(path), format);
    if (complete)
        *complete = loaded;
    return catalog.takeMessages();
}

void TranslationFileServices::saveMessages(const QList<CatalogMessage> &messages,
                                           const QString &format,
                                           const QString &language,
                                           QIODevice &device)
{
    TranslationCatalog catalog(&m_feedback);
    catalog.setMessages(messages);
    catalog.setLanguage(language);
    catalog.saveCatalog(device, format);
}

} // namespace Lexora
