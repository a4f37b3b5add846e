#include "lexoratool.h"

#include <QCoreApplication>
#include <QLoggingCategory>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lexora"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LEXORA_VERSION));
    // The services' debug log (an export writes the whole document to it) would
    // bury the tool's messages in a pipeline's error stream, and so would the
    // steps of a translation test and the preview's output; QT_LOGGING_RULES
    // still turns them back on.
    QLoggingCategory::setFilterRules(
        QStringLiteral("default.debug=false\n"
                       "fgl.qmldebugtranslationrunner.debug=false\n"
                       "fgl.qmldebugtranslationrunner.client.debug=false"));

    Lexora::LexoraTool tool;
    return tool.run(QCoreApplication::arguments());
}
