#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace Host::Plugins {
class PluginHost;
}
namespace Host::Preview {
class PreviewPlugin;
}
namespace Host::QmlProject {
class DesignProject;
}
namespace Lexora {
class ProjectDatabase;
}

// What a headless preview needs from the machine: Qt's qmlscene, the QML
// debug services and the Qt Quick modules. Empty when everything is there.
QString missingPreviewPackage();

// A test that starts a preview cannot pass without one. Where peers are
// required (CI), a missing package fails the test instead of hiding it.
#define LEXORA_REQUIRE_PREVIEW()                                                                   \
    do {                                                                                           \
        const QString missing = missingPreviewPackage();                                           \
        if (!missing.isEmpty()) {                                                                  \
            if (qEnvironmentVariableIntValue("LEXORA_REQUIRE_PEERS") == 1)                         \
                QFAIL(qPrintable(QStringLiteral("the preview needs ") + missing));                 \
            QSKIP(qPrintable(QStringLiteral("the preview needs ") + missing));                     \
        }                                                                                          \
    } while (false)

// Writes a preview program into `directory` that starts but never connects,
// as a hung application would, and returns its path.
QString writeSilentPreview(const QString &directory);

// A plugin host with the live preview plugin registered and initialised, as
// the studio and the command-line tool have it.
class PreviewHost
{
public:
    PreviewHost();
    ~PreviewHost();
    Host::Preview::PreviewPlugin *preview() const { return m_preview.get(); }

private:
    std::unique_ptr<Host::Plugins::PluginHost> m_host;
    std::unique_ptr<Host::Preview::PreviewPlugin> m_preview;
};

// Two screens in a fresh project directory: Welcome.ui.qml (a title whose
// German text does not fit its width and is elided, a hint that has no
// translation, a state "dark", a designer annotation with a customId) and
// Settings.ui.qml (a fully translated title written on one line, followed by
// another text; a state "compact"; no annotation). The database holds German
// and French translations; the .qm files are generated from it.
class PreviewTestProject
{
public:
    PreviewTestProject();
    ~PreviewTestProject();
    // Writes, opens (as the session's startup project) and generates; false
    // with a QTest failure message in `error` when a step fails.
    bool create(QString *error);

    QString directory() const { return m_directory.path(); }
    QString filePath(const QString &name) const { return m_directory.filePath(name); }
    QString welcomeFile() const { return filePath(QStringLiteral("Welcome.ui.qml")); }
    QString settingsFile() const { return filePath(QStringLiteral("Settings.ui.qml")); }
    QStringList languages() const { return { QStringLiteral("de"), QStringLiteral("fr") }; }
    Host::QmlProject::DesignProject *project() const { return m_project; }
    Lexora::ProjectDatabase *database() const { return m_database.get(); }

    // Sets a translation in the database and generates the .qm files again.
    bool translate(const QString &id, const QString &language, const QString &text);

private:
    void setTranslation(const QString &id, const QString &language, const QString &text);
    bool generateQmFiles();

    QTemporaryDir m_directory;
    Host::QmlProject::DesignProject *m_project = nullptr; // owned by the session
    std::unique_ptr<Lexora::ProjectDatabase> m_database;
};
