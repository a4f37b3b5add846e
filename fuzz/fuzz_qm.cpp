// The compiled translation file reader on arbitrary bytes.

#include "fuzzsupport.h"

#include "translationfiles/qmreader.h"
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
    loadQm(catalog, buffer, QStringLiteral("input.qm"), &feedback);
    std::size_t sum = std::size_t(catalog.language().size());
    for (const CatalogMessage &message : catalog.messages())
        sum += std::size_t(message.id.size() + message.translation.size());
    if (sum == std::size_t(-1))
        std::abort();
    return 0;
}
