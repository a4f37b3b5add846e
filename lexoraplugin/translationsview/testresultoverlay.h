#pragma once

#include <QColor>
#include <QHash>
#include <QJsonArray>
#include <QList>
#include <QString>

namespace Host::Designer {
class FormDocument;
}

namespace Lexora {

// The frames of translation test results on the designer's form. It keeps
// what the last test of each component found, so that the frames come back
// when the user returns to a document, and shows the findings of one
// language at a time: a text that fits in one language and not in another,
// or is translated in one and not in another, is framed as that language
// shows it.
class TestResultOverlay
{
public:
    struct Colors
    {
        QColor plain;
        QColor missing;
        QColor elide;
    };
    struct LegendEntry
    {
        QColor color;
        QString text;

        friend bool operator==(const LegendEntry &, const LegendEntry &) = default;
    };

    // Keeps the records of every component of `resultJson`, in place of what
    // an earlier result said of that component; frames use `colors` from now on.
    void addResult(const QByteArray &resultJson, const Colors &colors);
    bool hasResults(const QString &filePath) const { return m_records.contains(filePath); }
    // The language whose findings are framed.
    void setLanguage(const QString &code) { m_language = code; }
    QString language() const { return m_language; }

    // Frames the tested items of `document` and sets their tooltips; items
    // without a result keep the frame they have.
    void apply(Host::Designer::FormDocument *document) const;

    // What the frame colours of `filePath` mean, and for which language they
    // stand; empty without results for that file.
    QString legendTitle(const QString &filePath) const;
    QList<LegendEntry> legend(const QString &filePath) const;

private:
    QByteArray recordsOf(const QString &filePath) const;

    QHash<QString, QJsonArray> m_records;
    Colors m_colors { Qt::green, Qt::red, Qt::magenta };
    QString m_language;
};

} // namespace Lexora
