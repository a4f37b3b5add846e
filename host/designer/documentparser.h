#pragma once

#include "node.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace Host::Designer {

// Builds the node tree of a QML document with Qt's QML parser. Every node and
// property keeps its source range so that changes can be written back into
// exactly the text they came from.
class DocumentParser
{
public:
    struct Result
    {
        std::unique_ptr<Node> root;
        QString imports; // the import and pragma lines, as written
        QStringList errors; // "line:column: message"
    };

    static Result parse(const QString &text);

private:
    class TreeBuilder;
};

} // namespace Host::Designer
