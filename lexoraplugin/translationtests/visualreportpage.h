#pragma once

#include <QColor>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

namespace Lexora {

// The page of a visual report: one row per screen and state, one column per
// language, each cell the picture of that screen in that state and language
// with the findings listed under it. The page is self-contained (its style is
// inline, pictures are named relative to it), so it can be opened from a
// build's artifacts or a copied folder.
class VisualReportPage
{
public:
    struct Finding
    {
        bool missing = false; // else elided
        QString translationId;
        // The text as the picture shows it; empty when no item shows it.
        QString shownText;
        int line = 0;
        int column = 0;
        // Whether the picture frames it: the item may be hidden, or show
        // another text in this state.
        bool framed = false;
    };

    struct Picture
    {
        QString language;
        // Relative to the page; empty when the screen could not be drawn.
        QString fileName;
        QSize size;
        // Why the picture is missing or may mislead (a translation file that
        // could not be loaded).
        QString note;
        QList<Finding> findings;
    };

    struct Row
    {
        QString screen; // as a person reads it, relative to the project
        QString state; // empty: the base state
        QList<Picture> pictures; // in the order of the languages
    };

    QString title;
    QStringList languages;
    QColor missingColor = Qt::red;
    QColor elideColor = Qt::magenta;
    QList<Row> rows;

    QByteArray toHtml() const;
};

} // namespace Lexora
