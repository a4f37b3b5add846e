#include "lexoratool.h"

#include <QApplication>
#include <QLoggingCategory>

#include <cstring>
#include <memory>

int main(int argc, char *argv[])
{
    // Only the visual report of `lexora test --html` draws (with Qt Quick,
    // which needs a GUI application); it draws offscreen, so that a pipeline
    // needs no display. Every other command stays free of a window system.
    bool draws = false;
    for (int i = 1; i < argc; ++i)
        draws = draws || std::strcmp(argv[i], "--html") == 0
            || std::strncmp(argv[i], "--html=", 7) == 0;
    if (draws && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> application = draws
        ? std::make_unique<QApplication>(argc, argv)
        : std::make_unique<QCoreApplication>(argc, argv);
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
