#pragma once

#include "catalogmessage.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

class QIODevice;

namespace Lexora {

class UserFeedbackInterface;
struct CatalogFormat;

// The messages of one target language on their way between QML files, the
// translation database and the .ts/.qm files. Reading and writing go through
// the formats registered in registeredCatalogFormats(); problems are reported
// through the error sink and never thrown.
class TranslationCatalog
{
public:
    explicit TranslationCatalog(UserFeedbackInterface *errorSink = nullptr) : m_errorSink(errorSink)
    { }

    // Appends without any duplicate check: two messages with one ID stay two.
    void appendMessage(CatalogMessage message) { m_messages.append(std::move(message)); }
    const QList<CatalogMessage> &messages() const { return m_messages; }
    void setMessages(QList<CatalogMessage> messages) { m_messages = std::move(messages); }
    QList<CatalogMessage> takeMessages() { return std::exchange(m_messages, {}); }

    const QString &language() const { return m_language; }
    void setLanguage(const QString &language) { m_language = language; }

    const QString &sourceLanguage() const { return m_sourceLanguage; }
    void setSourceLanguage(const QString &language) { m_sourceLanguage = language; }

    const QStringList &dependencies() const { return m_dependencies; }
    void setDependencies(const QStringList &dependencies) { m_dependencies = dependencies; }

    UserFeedbackInterface *errorSink() const { return m_errorSink; }
    void setErrorSink(UserFeedbackInterface *errorSink) { m_errorSink = errorSink; }

    // The device must already be open. fileName only names the file in reports.
    bool loadCatalog(QIODevice &device, const QString &fileName, const QString &format);
    bool saveCatalog(QIODevice &device, const QString &format) const;

    // The process-wide registry, filled with "qm", "ts" and "qml" before main()
    // runs and only read afterwards.
    static const QList<CatalogFormat> &registeredCatalogFormats();
    static void registerCatalogFormat(const CatalogFormat &format);

private:
    void reportError(const QString &message) const;

    QList<CatalogMessage> m_messages;
    QString m_language;
    QString m_sourceLanguage;
    QStringList m_dependencies;
    UserFeedbackInterface *m_errorSink = nullptr;
};

} // namespace Lexora
