#include "projectlocation.h"
#include "recentprojects.h"
#include "screenshottaker.h"
#include "studiowindow.h"
#include "workspace.h"

#include <core/settingsstore.h>
#include <qmlproject/designproject.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QQuickWindow>
#include <QSettings>

#include <cstdio>

namespace {

void printError(const QString &message)
{
    const QByteArray bytes = (QLatin1String("lexora-studio: ") + message).toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

void printOut(const QString &message)
{
    const QByteArray bytes = message.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

enum ExitCode { Success = 0, Failure = 1, UsageError = 2 };

// QT_LOGGING_RULES="lexora.studio.startup.debug=true" shows where start-up
// time goes, in milliseconds since the process entered main().
Q_LOGGING_CATEGORY(startupLog, "lexora.studio.startup", QtWarningMsg)

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    const auto mark = [&sinceStart](const char *what) {
        qCDebug(startupLog, "%5lld ms  %s", sinceStart.elapsed(), what);
    };

    // The form view draws designs, not games: Qt Quick's software renderer
    // starts at once, needs no graphics driver and works without a display.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lexora-studio"));
    QApplication::setApplicationDisplayName(QStringLiteral("Lexora Studio"));
    QApplication::setOrganizationName(QStringLiteral("Lexora"));
    QApplication::setApplicationVersion(QStringLiteral(LEXORA_VERSION));
    mark("application");

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QApplication::translate("Studio",
                                "Designs QML user interfaces in several languages: opens a QML "
                                "project and shows its files, the open document and the "
                                "translation panels."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("project"),
        QApplication::translate("Studio", "A .qmlproject file or its directory."),
        QStringLiteral("[PROJECT]"));
    const QCommandLineOption screenshotOption(
        QStringLiteral("screenshot"),
        QApplication::translate("Studio",
                                "Open PROJECT and its main file, write a PNG of the main window "
                                "to FILE once it is shown and filled, and exit."),
        QStringLiteral("FILE"));
    parser.addOption(screenshotOption);
    parser.process(application);

    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        printError(QApplication::translate("Studio", "give one project, got %1")
                       .arg(positional.join(QLatin1Char(' '))));
        return UsageError;
    }
    const QString projectArgument = positional.value(0);
    const bool screenshot = parser.isSet(screenshotOption);
    if (screenshot && projectArgument.isEmpty()) {
        printError(QApplication::translate("Studio", "--screenshot FILE needs a PROJECT"));
        return UsageError;
    }

    // A screenshot is a picture of this project alone: it neither reads nor
    // changes what the user's sessions remembered.
    QSettings settings;
    Studio::RecentProjects recentProjects(&settings);
    Host::Core::SettingsStore::setSettings(screenshot ? nullptr : &settings);
    Studio::Workspace workspace(screenshot ? nullptr : &recentProjects);
    Studio::StudioWindow *window = workspace.window();
    // A picture for the documentation shows the window at the size it was
    // laid out for, whatever screen the platform offers.
    if (screenshot)
        window->resize(1440, 900);
    mark("main window and views");

    // Plugins load and initialise first, then the project opens: they see
    // it become the startup project as in any session of the studio.
    workspace.loadPlugins();
    for (const QString &error : workspace.pluginErrors())
        printError(error);
    mark("plugins loaded and initialised");
    if (!projectArgument.isEmpty()) {
        QString error;
        if (!window->openProject(projectArgument, &error)) {
            if (screenshot) {
                printError(error);
                return Failure;
            }
            QMessageBox::critical(
                window, QApplication::translate("Studio", "Cannot Open Project"), error);
        }
        mark("project and main file opened");
    }

    if (!screenshot) {
        window->restoreLayout();
        window->show();
        const int status = application.exec();
        workspace.shutdown();
        return status;
    }

    const QString file = parser.value(screenshotOption);
    Studio::ScreenshotTaker taker(window, file);
    const bool hasMainFile = window->project() && !window->project()->mainFile().isEmpty();
    // Each condition is logged the first time it is met.
    const auto logged = [&mark](const char *what, std::function<bool()> isMet) {
        return [what, isMet, &mark, met = false]() mutable {
            if (!isMet())
                return false;
            if (!std::exchange(met, true))
                mark(what);
            return true;
        };
    };
    if (hasMainFile) {
        taker.addCondition(
            QApplication::translate("Studio", "the main file to open"),
            logged("main file open", [window] { return window->document() != nullptr; }));
    }
    taker.addCondition(QApplication::translate("Studio", "the panels to be filled"),
                       logged("panels filled", [window] {
                           return Studio::StudioWindow::panelsFilled(window->panels());
                       }));
    int status = Failure;
    QObject::connect(&taker,
                     &Studio::ScreenshotTaker::finished,
                     &application,
                     [&](bool ok, const QString &message) {
                         mark("picture written");
                         if (ok) {
                             printOut(
                                 message + QLatin1Char(' ')
                                 + QApplication::translate("Studio", "Start-up to picture: %1 ms.")
                                       .arg(sinceStart.elapsed()));
                             status = Success;
                         } else {
                             printError(message);
                         }
                         QApplication::exit(status);
                     });
    window->show();
    mark("window shown");
    taker.start();
    application.exec();
    workspace.shutdown();
    return status;
}
