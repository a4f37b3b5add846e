#pragma once

#include <preview/debugtranslationclient.h>

#include <private/qqmldebugtranslationprotocol_p.h>

#include <QList>
#include <QLoggingCategory>
#include <QStringList>
#include <QUrl>

Q_DECLARE_METATYPE(QQmlDebugTranslation::QmlElement)

namespace Lexora {

Q_DECLARE_LOGGING_CATEGORY(runnerLog)

// One record of a translation-issues reply, in wire order.
struct TranslationIssue
{
    QUrl url;
    qint32 line = 0;
    qint32 column = 0;
    QString language;
    // 0: the translation is missing; anything else: the text is elided.
    qint32 type = 0;
    // The state of the screen when it was reported (empty: the base state);
    // the runner knows it, the wire does not carry it.
    QString state;

    friend bool operator==(const TranslationIssue &, const TranslationIssue &) = default;
};

QDataStream &operator<<(QDataStream &stream, const TranslationIssue &issue);
QDataStream &operator>>(QDataStream &stream, TranslationIssue &issue);

using TranslationIssues = QList<TranslationIssue>;
using QmlElements = QList<QQmlDebugTranslation::QmlElement>;

// Our client of the application's debug translation service: sends the
// requests a test run needs and announces each reply. The sequence of
// requests belongs to the test runner.
class AdvancedQmlDebugTranslationClient : public Host::Preview::DebugTranslationClient
{
    Q_OBJECT

public:
    enum Request : qint32 {
        StateListRequest = 2,
        ChangeStateRequest = 3,
        TranslationIssuesRequest = 4,
        TextOccurrencesRequest = 5,
        WatchTextElidesRequest = 6,
    };
    enum Reply : qint32 {
        LanguageChangedReply = 101,
        StateListReply = 102,
        StateChangedReply = 103,
        TranslationIssuesReply = 104,
        TextOccurrencesReply = 105,
    };

    explicit AdvancedQmlDebugTranslationClient(QQmlDebugConnection *connection);
    ~AdvancedQmlDebugTranslationClient() override;

    // Registers the element list with Qt's meta-type system (queued signals,
    // QVariant) under its own name.
    static void registerTypes();

    void sendStateListRequest();
    void sendChangeStateRequest(const QString &stateName);
    void sendTranslationIssuesRequest();
    void sendTranslatableTextOccurrencesRequest();
    void sendWatchTextElidesRequest();

    // Every issue reported since the client was created.
    const TranslationIssues &issues() const { return m_issues; }
    const QmlElements &occurrences() const { return m_occurrences; }

    // Public so that replies can be fed in without a connection.
    void messageReceived(const QByteArray &message) override;

signals:
    void
    translatableTextOccurrencesReceived(const QList<QQmlDebugTranslation::QmlElement> &occurrences);
    void stateListReceived(const QStringList &stateList);
    void translationIssuesReceived();
    void languageChanged();
    void viewStateChanged();

private:
    void sendRequest(qint32 code, const QString *stateName = nullptr);

    TranslationIssues m_issues;
    QmlElements m_occurrences;
};

} // namespace Lexora
