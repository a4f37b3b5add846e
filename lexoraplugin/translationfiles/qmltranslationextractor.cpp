#include "qmltranslationextractor.h"

#include "userfeedbackinterface.h"

#include <QString>

namespace Lexora {

bool loadQml(TranslationCatalog &, QIODevice &, const QString &fileName, UserFeedbackInterface *errorSink)
{
    // Replaced by the parser-based extractor.
    if (errorSink)
        errorSink->addError(QStringLiteral("Cannot read QML file %1: no extractor").arg(fileName));
    return false;
}

} // namespace Lexora
