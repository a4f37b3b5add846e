#pragma once

#include <QString>

class QIODevice;

namespace Lexora {

class TranslationCatalog;
class UserFeedbackInterface;

enum class CatalogFileType : qint32 { TranslationSource = 0, TranslationBinary = 1 };

// One entry of the catalogue format registry.
struct CatalogFormat
{
    using Loader = bool (*)(TranslationCatalog &catalog,
                            QIODevice &device,
                            const QString &fileName,
                            UserFeedbackInterface *errorSink);
    using Saver = bool (*)(const TranslationCatalog &catalog,
                           QIODevice &device,
                           UserFeedbackInterface *errorSink);

    // Compared case-sensitively with the requested format name.
    QString extension;
    const char *description = nullptr; // untranslated Latin-1 text
    Loader loader = nullptr;
    Saver saver = nullptr;
    CatalogFileType fileType = CatalogFileType::TranslationSource;
    // Orders formats within one file type: lower priorities come first.
    int priority = -1;
};

} // namespace Lexora
