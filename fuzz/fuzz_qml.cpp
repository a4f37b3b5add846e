// The QML translation-call extractor on arbitrary documents.

#include "fuzzsupport.h"

#include "translationfiles/qmltranslationextractor.h"
#include "translationfiles/translationcatalog.h"

#include <QBuffer>

using namespace Lexora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray bytes = Fuzz::input(data, size);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    RecordingFeedback feedback;
    TranslationCatalog catalog(&feedback);
    loadQml(catalog, buffer, QStringLiteral("Input.qml"), &feedback);
    std::size_t sum = 0;
    for (const CatalogMessage &message : catalog.messages())
        sum += std::size_t(message.id.size() + message.translation.size()
                           + message.translatorComment.size());
    if (sum == std::size_t(-1))
        std::abort();
    return 0;
}
