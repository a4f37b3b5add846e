#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// What a run of the `lexora` command-line tool left: its exit code (-1 when it
// crashed or did not finish in time) and what it printed.
struct ToolResult
{
    int exitCode = -1;
    QString out;
    QString err;
};

// The environment a user's shell or a pipeline gives the tool: without the
// test runner's logging rules.
inline QProcessEnvironment toolEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_LOGGING_RULES"));
    return environment;
}

inline ToolResult lexora(const QStringList &arguments,
                         const QString &workingDirectory = {},
                         const QProcessEnvironment &environment = toolEnvironment(),
                         int timeoutMs = 120000)
{
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(LEXORA_TOOL), arguments);
    ToolResult result;
    const bool finished = process.waitForFinished(timeoutMs);
    if (!finished)
        process.kill();
    if (finished && process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}
