#pragma once

class QIODevice;
class QString;

namespace Lexora {

class TranslationCatalog;
class UserFeedbackInterface;

// Loader of the "qml" catalogue format: parses one QML document and appends a
// message for every translation call found in it. Returns false when the
// document does not parse; problems are reported through errorSink.
bool loadQml(TranslationCatalog &catalog,
             QIODevice &device,
             const QString &fileName,
             UserFeedbackInterface *errorSink);

} // namespace Lexora
