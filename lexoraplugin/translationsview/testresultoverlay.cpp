#include "testresultoverlay.h"

#include "translationtests/translationtestresults.h"

#include <designer/documentmodel.h>
#include <designer/documentrewriter.h>
#include <designer/formdocument.h>
#include <designer/node.h>

#include <QCoreApplication>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

namespace Lexora {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Lexora", text);
}

// A text that a state sets is written in the state's changes, which draw
// nothing: the form frames it around the object the changes target, in the
// same place as that object's own text. Both findings must then meet in one
// frame, or whichever the form draws last would hide the other.
Host::Designer::Node *framedNode(Host::Designer::Node *node)
{
    if (!node->hasBindingProperty("target"))
        return node;
    Host::Designer::Node *target
        = node->model()->nodeForId(node->property("target").expression().trimmed());
    return target ? target : node;
}

} // namespace

void TestResultOverlay::addResult(const QByteArray &resultJson, const Colors &colors)
{
    m_colors = colors;
    QHash<QString, QJsonArray> records;
    for (const QJsonValue &value : QJsonDocument::fromJson(resultJson).array()) {
        const QString path = value.toObject().value(QLatin1String("componentPath")).toString();
        if (!path.isEmpty())
            records[path].append(value);
    }
    for (auto it = records.cbegin(); it != records.cend(); ++it)
        m_records.insert(it.key(), it.value());
}

QByteArray TestResultOverlay::recordsOf(const QString &filePath) const
{
    return QJsonDocument(m_records.value(filePath)).toJson(QJsonDocument::Compact);
}

void TestResultOverlay::apply(Host::Designer::FormDocument *document) const
{
    if (!document || !document->model())
        return;
    const QString filePath = document->filePath().toString();
    if (!hasResults(filePath))
        return;
    Host::Designer::DocumentModel *model = document->model();
    const auto rank = [this](const QColor &color) {
        return color == m_colors.missing ? 2 : color == m_colors.elide ? 1 : 0;
    };
    // A text is tested in every state: its node shows the worst finding of
    // them and of the texts states set on it, and tells of each.
    QList<Host::Designer::Node *> nodes;
    QHash<Host::Designer::Node *, std::pair<QColor, QStringList>> marks;
    // The service reports the line and column of the tested text, both from
    // 1; the innermost node holding that position is the tested element,
    // whether it is written on one line or on several.
    for (const TranslationTestResults::Frame &frame :
         TranslationTestResults::frames(recordsOf(filePath),
                                        filePath,
                                        m_language,
                                        m_colors.plain,
                                        m_colors.missing,
                                        m_colors.elide)) {
        Host::Designer::Node *node = document->rewriter()->nodeAtPosition(frame.line, frame.column);
        if (!node)
            continue;
        node = framedNode(node);
        auto mark = marks.find(node);
        if (mark == marks.end()) {
            nodes.append(node);
            mark = marks.insert(node, { frame.color, {} });
        } else if (rank(frame.color) > rank(mark->first)) {
            mark->first = frame.color;
        }
        if (!mark->second.contains(frame.toolTip))
            mark->second.append(frame.toolTip);
    }
    for (Host::Designer::Node *node : std::as_const(nodes)) {
        const auto &[color, toolTips] = marks.value(node);
        model->setAuxiliaryData(
            node, "FrameToolTip@Internal", toolTips.join(QLatin1String("\n\n")));
        // Set anew even when the colour stays, so that every view redraws it.
        model->setAuxiliaryData(node, "FrameColor@Internal", QColor(0, 0, 0, 0));
        model->setAuxiliaryData(node, "FrameColor@Internal", color);
    }
}

QString TestResultOverlay::legendTitle(const QString &filePath) const
{
    if (!hasResults(filePath))
        return {};
    if (!TranslationTestResults::testedLanguages(recordsOf(filePath)).contains(m_language))
        return tr("Test results of every language:");
    // QLocale knows no made-up language (a pseudo locale) and would call it "C".
    const QLocale::Language language = QLocale(m_language).language();
    if (language == QLocale::C)
        return tr("Test results in %1:").arg(m_language);
    return tr("Test results in %1 (%2):").arg(QLocale::languageToString(language), m_language);
}

QList<TestResultOverlay::LegendEntry> TestResultOverlay::legend(const QString &filePath) const
{
    if (!hasResults(filePath))
        return {};
    QList<LegendEntry> entries;
    // An option the user switched off has no colour and draws no frame.
    for (const LegendEntry &entry : { LegendEntry { m_colors.missing, tr("Missing translation") },
                                      LegendEntry { m_colors.elide, tr("Elided") },
                                      LegendEntry { m_colors.plain, tr("Translated") } }) {
        if (entry.color.isValid())
            entries.append(entry);
    }
    return entries;
}

} // namespace Lexora
