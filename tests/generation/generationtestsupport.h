#pragma once

#include "databaseio/projectdatabase.h"
#include "generationservices.h"
#include "recordingfeedback.h"
#include "testfiles.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace Host::QmlProject {
class DesignProject;
}

// A QML project in a temporary directory, opened as the session's startup
// project, with its translation database.
class TestProject
{
public:
    TestProject();
    ~TestProject();

    bool isValid() const { return m_directory.isValid(); }
    QString path() const { return m_directory.path(); }
    QString filePath(const QString &relative) const { return m_directory.filePath(relative); }
    QString i18nFile(const QString &name) const { return filePath(QStringLiteral("i18n/") + name); }

    // Files must be written before open().
    void writeFile(const QString &relative, const QByteArray &contents) const;
    bool open();
    void close();

    Lexora::ProjectDatabase &database();
    void closeDatabase() { m_database.reset(); }
    // Adds the ID when missing; a null translation adds only the ID.
    void addTranslation(const char *id, const char *language, const char *translation);

private:
    QTemporaryDir m_directory;
    Host::QmlProject::DesignProject *m_project = nullptr;
    std::unique_ptr<Lexora::ProjectDatabase> m_database;
};

QString toolPath(const QString &name);
// Runs a peer tool; false, with a warning, unless it exits normally with 0.
// `output` gets its standard output and error, merged.
bool runTool(const QString &program, const QStringList &arguments, QString *output = nullptr);

struct TsMessage
{
    QString translation;
    QString type; // the translation's type attribute, empty when finished
    QString translatorComment;
};

// Messages of a .ts file by ID (messages of the empty context only).
QMap<QString, TsMessage> readTs(const QString &path);
// The IDs of a .ts file's messages in file order.
QStringList tsMessageIds(const QString &path);
