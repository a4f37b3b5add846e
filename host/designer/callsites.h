#pragma once

#include "designer_global.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace Host::Designer {

// The places in a QML document where a function is called with a string
// literal as its first argument, found with Qt's QML parser, so that calls in
// comments or strings do not count. Lets a studio go from a name a call
// carries (a translation ID, say) to where the document uses it.
class HOST_DESIGNER_EXPORT CallSites
{
public:
    struct Site
    {
        QString function;
        QString argument;
        int offset = 0; // of the function's name, UTF-16
        int line = 0; // 1-based
        int column = 0; // 1-based
    };

    // Calls of any of `functions` in source order; empty (with `errorString`
    // set) when the text does not parse.
    static QList<Site>
    find(const QString &text, const QStringList &functions, QString *errorString = nullptr);
};

} // namespace Host::Designer
