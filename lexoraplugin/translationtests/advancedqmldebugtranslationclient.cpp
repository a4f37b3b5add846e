#include "advancedqmldebugtranslationclient.h"

#include <QDataStream>
#include <QIODevice>

namespace Lexora {

Q_LOGGING_CATEGORY(runnerLog, "fgl.qmldebugtranslationrunner", QtDebugMsg)

namespace {

// Qt's container reader reserves room for the announced count before reading
// a single element, so a damaged count could ask for gigabytes. This reader
// grows with what actually arrives and, like Qt's, leaves an empty list when
// the stream runs dry or breaks.
template<typename T> QList<T> readList(QDataStream &stream)
{
    QList<T> list;
    quint32 count = 0;
    stream >> count;
    for (quint32 index = 0; index < count && stream.status() == QDataStream::Ok; ++index) {
        T value;
        stream >> value;
        if (stream.status() != QDataStream::Ok)
            break;
        list.append(std::move(value));
    }
    if (stream.status() != QDataStream::Ok)
        list.clear();
    return list;
}

} // namespace

QDataStream &operator<<(QDataStream &stream, const TranslationIssue &issue)
{
    return stream << issue.url << issue.line << issue.column << issue.language << issue.type;
}

QDataStream &operator>>(QDataStream &stream, TranslationIssue &issue)
{
    return stream >> issue.url >> issue.line >> issue.column >> issue.language >> issue.type;
}

AdvancedQmlDebugTranslationClient::AdvancedQmlDebugTranslationClient(
    QQmlDebugConnection *connection)
    : DebugTranslationClient(connection)
{
    registerTypes();
}

AdvancedQmlDebugTranslationClient::~AdvancedQmlDebugTranslationClient() = default;

void AdvancedQmlDebugTranslationClient::registerTypes()
{
    qRegisterMetaType<QList<QQmlDebugTranslation::QmlElement>>(
        "QList<QQmlDebugTranslation::QmlElement>");
}

void AdvancedQmlDebugTranslationClient::sendRequest(qint32 code, const QString *stateName)
{
    QByteArray message;
    QDataStream stream(&message, QIODevice::WriteOnly);
    stream.setVersion(dataStreamVersion());
    stream << code;
    if (stateName)
        stream << *stateName;
    send(message);
}

void AdvancedQmlDebugTranslationClient::sendStateListRequest()
{
    sendRequest(StateListRequest);
}

void AdvancedQmlDebugTranslationClient::sendChangeStateRequest(const QString &stateName)
{
    sendRequest(ChangeStateRequest, &stateName);
}

void AdvancedQmlDebugTranslationClient::sendTranslationIssuesRequest()
{
    sendRequest(TranslationIssuesRequest);
}

void AdvancedQmlDebugTranslationClient::sendTranslatableTextOccurrencesRequest()
{
    sendRequest(TextOccurrencesRequest);
}

void AdvancedQmlDebugTranslationClient::sendWatchTextElidesRequest()
{
    sendRequest(WatchTextElidesRequest);
}

void AdvancedQmlDebugTranslationClient::messageReceived(const QByteArray &message)
{
    QDataStream stream(message);
    stream.setVersion(dataStreamVersion());
    qint32 command = 0;
    stream >> command;

    switch (command) {
    case LanguageChangedReply:
        qCDebug(runnerLog) << "Reply::LanguageChanged";
        emit languageChanged();
        break;
    case StateListReply:
        emit stateListReceived(readList<QString>(stream));
        break;
    case StateChangedReply:
        // The payload repeats the state's name, which the runner already knows.
        emit viewStateChanged();
        break;
    case TranslationIssuesReply: {
        qCDebug(runnerLog) << "Reply::TranslationIssues";
        m_issues.append(readList<TranslationIssue>(stream));
        emit translationIssuesReceived();
        break;
    }
    case TextOccurrencesReply:
        qCDebug(runnerLog) << "Reply::TranslatableTextOccurrences";
        m_occurrences = readList<QQmlDebugTranslation::QmlElement>(stream);
        emit translatableTextOccurrencesReceived(m_occurrences);
        break;
    default:
        qCWarning(runnerLog).noquote()
            << QStringLiteral("TestDebugTranslationClient: received unknown command: %1")
                   .arg(command);
        break;
    }
}

} // namespace Lexora
