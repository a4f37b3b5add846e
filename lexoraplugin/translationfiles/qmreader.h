#pragma once

class QIODevice;
class QString;

namespace Lexora {

class TranslationCatalog;
class UserFeedbackInterface;

// Loader of the "qm" format: reads a compiled translation file back into
// ID-based messages (ID from the source text, the first translation), the
// language (when the catalogue has none yet) and the dependencies.
bool loadQm(TranslationCatalog &catalog,
            QIODevice &device,
            const QString &fileName,
            UserFeedbackInterface *errorSink);

} // namespace Lexora
