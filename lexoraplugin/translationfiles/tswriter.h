#pragma once

class QIODevice;
class QString;

namespace Lexora {

class TranslationCatalog;
class UserFeedbackInterface;

// Saver of the "ts" format: writes the catalogue as an ID-based TS 2.1 file
// with one empty-named context. Write errors of the device are not checked.
bool saveTs(const TranslationCatalog &catalog, QIODevice &device, UserFeedbackInterface *errorSink);

// Loader of the "ts" format. Reading .ts files is not supported: it reads
// nothing and returns false without a report.
bool loadTs(TranslationCatalog &catalog,
            QIODevice &device,
            const QString &fileName,
            UserFeedbackInterface *errorSink);

// The escaping used for translations and translator comments: XML entities for the five markup
// characters, <byte value="x…"/> for other control characters and &#x…; for non-ASCII white space.
QString escapeTsText(const QString &text);

} // namespace Lexora
