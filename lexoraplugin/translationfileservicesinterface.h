#pragma once

#include "translationfiles/catalogmessage.h"

#include <QList>
#include <QString>

#include <string_view>

class QIODevice;

namespace Lexora {

// Reads files into messages and writes messages into files through the
// catalogue format registry. Problems are reported through the feedback
// service, never thrown.
class TranslationFileServicesInterface
{
public:
    virtual ~TranslationFileServicesInterface() = default;

    // `device` may be null (a file that could not be opened): no messages.
    // `complete`, when given, tells whether the file was read and parsed in
    // full; otherwise the messages are only what could be read.
    virtual QList<CatalogMessage> loadMessages(QIODevice *device,
                                               std::string_view path,
                                               const QString &format,
                                               bool *complete = nullptr)
        = 0;
    virtual void saveMessages(const QList<CatalogMessage> &messages,
                              const QString &format,
                              const QString &language,
                              QIODevice &device)
        = 0;

protected:
    TranslationFileServicesInterface() = default;
    TranslationFileServicesInterface(const TranslationFileServicesInterface &) = default;
    TranslationFileServicesInterface &operator=(const TranslationFileServicesInterface &) = default;
};

} // namespace Lexora
