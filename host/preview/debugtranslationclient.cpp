#include "debugtranslationclient.h"

#include <private/qqmldebugconnection_p.h>

#include <QDataStream>
#include <QIODevice>
#include <QUrl>

namespace Host::Preview {

namespace {
// Request and reply codes of the service that this client uses itself.
constexpr qint32 changeLanguageRequest = 1;
} // namespace

DebugTranslationClient::DebugTranslationClient(QQmlDebugConnection *connection)
    : QQmlDebugClient(QLatin1String(serviceName), connection)
{ }

DebugTranslationClient::~DebugTranslationClient() = default;

int DebugTranslationClient::dataStreamVersion() const
{
    const QQmlDebugConnection *debugConnection = connection();
    return debugConnection ? debugConnection->currentDataStreamVersion()
                           : QDataStream::Qt_DefaultCompiledVersion;
}

void DebugTranslationClient::send(const QByteArray &message)
{
    sendMessage(message);
}

void DebugTranslationClient::changeLanguage(const QUrl &directory, const QString &locale)
{
    QByteArray message;
    QDataStream stream(&message, QIODevice::WriteOnly);
    stream.setVersion(dataStreamVersion());
    stream << changeLanguageRequest << directory << locale;
    send(message);
}

void DebugTranslationClient::messageReceived(const QByteArray &)
{
    // The plain preview asks for nothing whose answer it needs.
}

} // namespace Host::Preview
