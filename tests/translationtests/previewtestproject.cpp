#include "previewtestproject.h"

#include "recordingfeedback.h"
#include "testfiles.h"

#include "databaseio/projectdatabase.h"
#include "fileservices.h"
#include "generationrunner.h"
#include "translationfileservices.h"

#include <extensionsystem/pluginhost.h>
#include <preview/previewplugin.h>
#include <projects/session.h>
#include <qmlproject/designproject.h>

#include <QEventLoop>
#include <QLibraryInfo>

QString missingPreviewPackage()
{
    const QString bin = QLibraryInfo::path(QLibraryInfo::BinariesPath);
    if (!QFileInfo(bin + QLatin1String("/qmlscene")).isExecutable())
        return QStringLiteral("qmlscene (package qmlscene-qt6)");
    const QString plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
    if (!QFileInfo::exists(plugins + QLatin1String("/qmltooling/libqmldbg_preview.so"))
        || !QFileInfo::exists(plugins + QLatin1String("/qmltooling/libqmldbg_local.so")))
        return QStringLiteral("the QML debug services (package qt6-qmltooling-plugins)");
    const QString imports = QLibraryInfo::path(QLibraryInfo::QmlImportsPath);
    if (!QFileInfo::exists(imports + QLatin1String("/QtQuick/qmldir")))
        return QStringLiteral("Qt Quick (package qml6-module-qtquick)");
    if (!QFileInfo::exists(imports + QLatin1String("/QtQml/WorkerScript/qmldir")))
        return QStringLiteral("QtQml.WorkerScript (package qml6-module-qtqml-workerscript)");
    return {};
}

QString writeSilentPreview(const QString &directory)
{
    const QString path = directory + QStringLiteral("/silent-preview");
    return writeFile(path, "#!/bin/sh\nexec sleep 60\n")
            && QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner)
        ? path
        : QString();
}

PreviewHost::PreviewHost()
    : m_host(std::make_unique<Host::Plugins::PluginHost>()),
      m_preview(std::make_unique<Host::Preview::PreviewPlugin>())
{
    m_host->setPluginPaths({});
    m_host->addPlugin(m_preview.get(), Host::Preview::PreviewPlugin::metaData());
    m_host->loadPlugins();
    m_preview->setHeadless(true);
}

PreviewHost::~PreviewHost()
{
    m_host->shutdown();
    m_host.reset();
}

PreviewTestProject::PreviewTestProject() = default;

PreviewTestProject::~PreviewTestProject()
{
    m_database.reset();
    if (m_project)
        Host::Projects::Session::instance()->removeProject(m_project);
}

namespace {

const char welcomeScreen[] = R"(import QtQuick

Rectangle {
    id: root
    width: 400
    height: 200
    color: "white"

    Text {
        id: title
        width: 90
        elide: Text.ElideRight
        font.pixelSize: 14
        text: qsTrId("welcome_title")
    }

    Text {
        id: hint
        y: 40
        verticalAlignment: Text.AlignTop
        text: qsTrId("welcome_hint")
    }

    states: [
        State {
            name: "dark"
            PropertyChanges { target: root; color: "black" }
        }
    ]
}

/*##^##
Designer {
    D{i:0;customId:"welcome-screen"}
}
##^##*/
)";

const char settingsScreen[] = R"(import QtQuick

Item {
    id: settings
    width: 400
    height: 200
    Text { id: heading; width: 300; text: qsTrId("settings_title") }
    Rectangle { id: divider; y: 30; width: 300; height: 2 }

    states: [
        State {
            name: "compact"
            PropertyChanges { target: settings; height: 100 }
        }
    ]
}
)";

} // namespace

bool PreviewTestProject::create(QString *error)
{
    const QByteArray projectFile = R"(import QmlProject
Project {
    mainFile: "Welcome.ui.qml"
    QmlFiles { directory: "." }
    supportedLanguages: ["de", "fr"]
    primaryLanguage: "de"
    translationDatabase: true
}
)";
    if (!m_directory.isValid()
        || !writeFile(filePath(QStringLiteral("screens.qmlproject")), projectFile)
        || !writeFile(welcomeFile(), welcomeScreen) || !writeFile(settingsFile(), settingsScreen)) {
        *error = QStringLiteral("cannot write the test project");
        return false;
    }

    QString projectError;
    std::unique_ptr<Host::QmlProject::DesignProject> project
        = Host::QmlProject::DesignProject::open(
            Host::Utils::Path::fromString(filePath(QStringLiteral("screens.qmlproject"))),
            &projectError);
    if (!project) {
        *error = projectError;
        return false;
    }
    m_project = project.release();
    Host::Projects::Session::instance()->addProject(m_project);
    Host::Projects::Session::instance()->setStartupProject(m_project);

    m_database
        = std::make_unique<Lexora::ProjectDatabase>(filePath(QStringLiteral("translations.db")));
    m_database->databaseIo().addTranslatable("welcome_hint");
    setTranslation("welcome_title", "de", "Herzlich willkommen in unserer Anwendung");
    setTranslation("welcome_title", "fr", "Salut");
    setTranslation("settings_title", "de", "Einstellungen");
    setTranslation("settings_title", "fr", "Réglages");
    *error = QStringLiteral("cannot generate the .qm files");
    return generateQmFiles();
}

bool PreviewTestProject::translate(const QString &id, const QString &language, const QString &text)
{
    setTranslation(id, language, text);
    return generateQmFiles();
}

void PreviewTestProject::setTranslation(const QString &id,
                                        const QString &language,
                                        const QString &text)
{
    Lexora::DatabaseIo &database = m_database->databaseIo();
    std::int64_t translatable = database.translatableId(id.toStdString());
    if (translatable < 0)
        translatable = database.addTranslatable(id.toStdString());
    database.updateTranslation(translatable, language.toStdString(), text.toStdString());
}

bool PreviewTestProject::generateQmFiles()
{
    RecordingFeedback feedback;
    Lexora::FileServices fileServices;
    Lexora::TranslationFileServices translationFileServices(feedback);
    const Lexora::GenerationServices services {
        &translationFileServices, &m_database->databaseIo(), &fileServices, &feedback
    };
    bool succeeded = true;
    Lexora::GenerationRunner runner([&services] { return services; });
    QEventLoop loop;
    QObject::connect(&runner, &Lexora::GenerationRunner::finished, [&succeeded](bool ok) {
        succeeded = succeeded && ok;
    });
    QObject::connect(&runner, &Lexora::GenerationRunner::allFinished, &loop, &QEventLoop::quit);
    if (!runner.generateQmFiles({ "de", "fr" }))
        return false;
    loop.exec();
    return succeeded && feedback.reports().isEmpty()
        && QFileInfo::exists(filePath(QStringLiteral("i18n/qml_de.qm")));
}
