#include "lexoratool.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lexora"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LEXORA_VERSION));

    Lexora::LexoraTool tool;
    return tool.run(QCoreApplication::arguments());
}
