#pragma once

#include "preview_global.h"

#include <private/qqmldebugclient_p.h>

QT_BEGIN_NAMESPACE
class QUrl;
QT_END_NAMESPACE

namespace Host::Preview {

// The preview's client of the QML debug service "DebugTranslation". It only
// switches the running application's language; clients that need more of the
// service derive from it and take over message reception.
class HOST_PREVIEW_EXPORT DebugTranslationClient : public QQmlDebugClient
{
    Q_OBJECT

public:
    static constexpr char serviceName[] = "DebugTranslation";

    explicit DebugTranslationClient(QQmlDebugConnection *connection);
    ~DebugTranslationClient() override;

    // The version both ends agreed on in the handshake; every message of the
    // service is written and read with it.
    int dataStreamVersion() const;
    virtual void send(const QByteArray &message);

    // The service loads i18n/qml_<locale>.qm relative to `directory`, which
    // must name the project directory, not a file in it.
    void changeLanguage(const QUrl &directory, const QString &locale);

protected:
    void messageReceived(const QByteArray &message) override;
};

} // namespace Host::Preview
