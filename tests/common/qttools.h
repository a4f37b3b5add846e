#pragma once

#include <peerrequirement.h>
#include <testfiles.h>

#include <QByteArray>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>

// Full path of one of Qt's tools (lrelease, lconvert, lupdate), empty when missing.
inline QString qtToolPath(const QString &name)
{
    const QString qtTool = QLibraryInfo::path(QLibraryInfo::BinariesPath) + u'/' + name;
    return QFileInfo(qtTool).isExecutable() ? qtTool : QStandardPaths::findExecutable(name);
}

struct ToolResult
{
    bool ok = false; // exited normally with 0
    QByteArray output;
    QByteArray errors;
};

inline ToolResult runQtTool(const QString &name, const QStringList &arguments)
{
    QProcess process;
    process.start(qtToolPath(name), arguments);
    ToolResult result;
    result.ok = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
    result.output = process.readAllStandardOutput();
    result.errors = process.readAllStandardError();
    return result;
}

// The IDs of a .ts file as lconvert reads them. lconvert's own .ts output
// writes them without any escaping, so they are taken from it as raw text.
inline QStringList lconvertIds(const QString &tsFile, const QString &copy)
{
    const ToolResult result
        = runQtTool(QStringLiteral("lconvert"), { "-i", tsFile, "-of", "ts", "-o", copy });
    if (!result.ok || !result.errors.isEmpty())
        return { "<lconvert failed: " + QString::fromUtf8(result.errors) + '>' };
    static const QRegularExpression rawId(QStringLiteral("<message id=\"(.*?)\">\n\\s*<source>"),
                                          QRegularExpression::DotMatchesEverythingOption);
    QStringList ids;
    for (const QRegularExpressionMatch &match :
         rawId.globalMatch(QString::fromUtf8(readFile(copy))))
        ids << match.captured(1);
    return ids;
}

#define LEXORA_REQUIRE_TOOL(name)                                                                  \
    do {                                                                                           \
        if (qtToolPath(QStringLiteral(name)).isEmpty())                                            \
            LEXORA_PEER_MISSING("Qt's " name " is not installed (package qt6-l10n-tools)");        \
    } while (false)
