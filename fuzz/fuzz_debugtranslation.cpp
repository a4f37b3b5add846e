// Replies of the preview's debug translation service: the preview runs the
// project's QML, so every packet is outside input. Each input is one packet as
// the connection hands it to the client; the client decodes it and announces
// what it read, and every decoded value is read back here.
//
// With LEXORA_FUZZ_SEED_DIR set, writes one well-formed reply of each kind as
// seeds and exits.

#include "fuzzsupport.h"

#include "translationtests/advancedqmldebugtranslationclient.h"

#include <private/qqmldebugconnection_p.h>

#include <QDataStream>
#include <QLoggingCategory>

using namespace Lexora;
using QQmlDebugTranslation::QmlElement;

namespace {

std::size_t sizeOf(const QString &text)
{
    std::size_t sum = 0;
    for (QChar character : text)
        sum += character.unicode();
    return sum;
}

std::size_t sizeOf(const QmlElement &element)
{
    return sizeOf(element.codeMarker.url.toString()) + std::size_t(element.codeMarker.line)
        + std::size_t(element.codeMarker.column) + sizeOf(element.elementId)
        + sizeOf(element.elementType) + sizeOf(element.propertyName) + sizeOf(element.translationId)
        + sizeOf(element.translatedText) + sizeOf(element.fontFamily)
        + sizeOf(element.fontStyleName) + sizeOf(element.stateName)
        + std::size_t(element.fontPixelSize) + std::size_t(element.horizontalAlignment)
        + std::size_t(element.verticalAlignment);
}

QQmlDebugConnection &connection()
{
    static QQmlDebugConnection *const instance = new QQmlDebugConnection;
    return *instance;
}

void writeSeeds(const QString &directory)
{
    AdvancedQmlDebugTranslationClient client(&connection());
    const auto write = [&](const QString &name, qint32 code, const auto &writePayload) {
        QByteArray packet;
        QDataStream stream(&packet, QIODevice::WriteOnly);
        stream.setVersion(client.dataStreamVersion());
        stream << code;
        writePayload(stream);
        Fuzz::writeFile(directory + QLatin1Char('/') + name, packet);
    };
    QmlElement element;
    element.codeMarker.url = QUrl(QStringLiteral("file:///project/Main.ui.qml"));
    element.codeMarker.line = 12;
    element.codeMarker.column = 9;
    element.elementId = QStringLiteral("title");
    element.elementType = QStringLiteral("Text");
    element.propertyName = QStringLiteral("text");
    element.translationId = QStringLiteral("main.title");
    element.translatedText = QStringLiteral("Hauptfenster");
    element.fontFamily = QStringLiteral("DejaVu Sans");
    element.fontPointSize = 12.5;
    element.fontPixelSize = 16;
    element.fontStyleName = QStringLiteral("Bold");
    element.horizontalAlignment = 4;
    element.verticalAlignment = 128;
    element.stateName = QStringLiteral("busy");
    const TranslationIssue issue {
        QUrl(QStringLiteral("file:///project/Main.ui.qml")), 12, 9, QStringLiteral("de"), 1
    };
    const auto nothing = [](QDataStream &) {
    };
    write(QStringLiteral("language-changed"),
          AdvancedQmlDebugTranslationClient::LanguageChangedReply,
          nothing);
    write(QStringLiteral("state-list"),
          AdvancedQmlDebugTranslationClient::StateListReply,
          [](QDataStream &stream) {
              stream << QStringList { QString(), QStringLiteral("busy"), QStringLiteral("dark") };
          });
    write(QStringLiteral("state-changed"),
          AdvancedQmlDebugTranslationClient::StateChangedReply,
          [](QDataStream &stream) { stream << QStringLiteral("busy"); });
    write(QStringLiteral("issues"),
          AdvancedQmlDebugTranslationClient::TranslationIssuesReply,
          [&](QDataStream &stream) { stream << quint32(2) << issue << issue; });
    write(QStringLiteral("occurrences"),
          AdvancedQmlDebugTranslationClient::TextOccurrencesReply,
          [&](QDataStream &stream) { stream << quint32(2) << element << element; });
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // The connection's socket machinery wants an application object.
    new QCoreApplication(*argc, *argv);
    // An unknown command is logged; a million warnings would only slow the run.
    QLoggingCategory::setFilterRules(QStringLiteral("fgl.*=false"));
    if (!Fuzz::seedDirectory().isEmpty()) {
        writeSeeds(Fuzz::seedDirectory());
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // A client per packet: the issues of every reply are kept.
    AdvancedQmlDebugTranslationClient client(&connection());
    std::size_t sum = 0;
    QObject::connect(&client,
                     &AdvancedQmlDebugTranslationClient::stateListReceived,
                     [&](const QStringList &states) {
                         for (const QString &state : states)
                             sum += sizeOf(state);
                     });
    QObject::connect(&client,
                     &AdvancedQmlDebugTranslationClient::translatableTextOccurrencesReceived,
                     [&](const QList<QmlElement> &elements) {
                         for (const QmlElement &element : elements)
                             sum += sizeOf(element);
                     });
    client.messageReceived(Fuzz::input(data, size));
    for (const TranslationIssue &issue : client.issues())
        sum += sizeOf(issue.url.toString()) + sizeOf(issue.language) + std::size_t(issue.line)
            + std::size_t(issue.column) + std::size_t(issue.type);
    // Lines and columns may be -1, so no value of the sum is impossible; a
    // volatile store keeps the reads.
    static volatile std::size_t kept = 0;
    kept = sum;
    return 0;
}
