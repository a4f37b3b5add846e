#pragma once

// A project as a user has it, and the helpers the tool's tests share.

#include "toolrunner.h"

#include <testfiles.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QMap>

// Every file directly in `directory`, hidden ones included, with its contents.
inline QMap<QString, QByteArray> filesOf(const QString &directory)
{
    QMap<QString, QByteArray> files;
    for (const QFileInfo &file : QDir(directory).entryInfoList(QDir::Files | QDir::Hidden))
        files.insert(file.fileName(), readFile(file.filePath()));
    return files;
}

// Qt's tool `name` (lrelease, lconvert, lupdate); empty when it is not installed.
inline QString qtTool(const QString &name)
{
    const QString path = QLibraryInfo::path(QLibraryInfo::BinariesPath) + u'/' + name;
    return QFileInfo(path).isExecutable() ? path : QString();
}

// Runs Qt's tool `name`; its standard output and error go to `output`.
inline bool runQtTool(const QString &name, const QStringList &arguments, QString *output = nullptr)
{
    QProcess process;
    process.start(qtTool(name), arguments);
    const bool finished
        = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit;
    if (output)
        *output
            = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    return finished && process.exitCode() == 0;
}

inline const QByteArray translationsJson = R"({
    "translatables": [
        { "trId": "greeting",
          "translations": [ { "language": "de", "translation": "Hallo" },
                            { "language": "fr", "translation": "Bonjour" } ] },
        { "trId": "emptyText",
          "translations": [ { "language": "de", "translation": "" },
                            { "language": "fr", "translation": "" } ] },
        { "trId": "onlyGerman",
          "translations": [ { "language": "de", "translation": "Nur Deutsch" } ] },
        { "trId": "unused",
          "translations": [ { "language": "de", "translation": "Nicht benutzt" } ] }
    ]
})";

// A project as a user has it: a .qmlproject, QML screens and a JSON file.
inline void createProject(const QString &directory)
{
    writeFile(directory + "/demo.qmlproject",
              "import QmlProject\nProject {\n    mainFile: \"content/App.qml\"\n"
              "    QmlFiles { directory: \"content\" }\n"
              "    supportedLanguages: [\"de\", \"fr\"]\n    primaryLanguage: \"de\"\n}\n");
    writeFile(directory + "/content/App.qml",
              "import QtQuick\nColumn {\n    Text { text: qsTrId(\"greeting\") }\n"
              "    Text { text: qsTrId(\"missing\") }\n}\n");
    writeFile(directory + "/content/Settings.ui.qml",
              "import QtQuick\nColumn {\n    Text { text: qsTrId(\"emptyText\") }\n"
              "    Text { text: qsTrId(\"onlyGerman\") }\n}\n");
    writeFile(directory + "/translations.json", translationsJson);
}

// The same, with its JSON file imported into a new database.
inline bool createImportedProject(const QString &directory)
{
    createProject(directory);
    return lexora({ "import", "translations.json" }, directory).exitCode == 0;
}

// ID -> language -> translation, independent of order and layout.
inline QMap<QString, QMap<QString, QString>> translationsOf(const QByteArray &json)
{
    QMap<QString, QMap<QString, QString>> result;
    for (const QJsonValue &translatable :
         QJsonDocument::fromJson(json)["translatables"].toArray()) {
        QMap<QString, QString> &languages = result[translatable["trId"].toString()];
        for (const QJsonValue &translation : translatable["translations"].toArray())
            languages.insert(translation["language"].toString(),
                             translation["translation"].toString());
    }
    return result;
}
