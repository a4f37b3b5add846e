#include "designproject.h"

#include "multilanguagesetting.h"
#include "qmlbuildbackend.h"

#include <projects/buildtarget.h>
#include <projects/runprofile.h>

#include <QDir>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSet>

namespace Host::QmlProject {

namespace {
Q_LOGGING_CATEGORY(qmlProjectLog, "host.qmlproject", QtWarningMsg)

// What a files element leaves out: its `exclude` list of paths relative to
// the project directory, each a file or a folder, with the wildcards of file
// names (* and ? stay within one path component).
struct Exclusions
{
    QString projectDirectory;
    QList<QRegularExpression> patterns;

    bool excludes(const QFileInfo &entry) const
    {
        const QString relative = QDir(projectDirectory).relativeFilePath(entry.absoluteFilePath());
        for (const QRegularExpression &pattern : patterns) {
            if (pattern.match(relative).hasMatch())
                return true;
        }
        return false;
    }
};

Exclusions exclusionsOf(const QmlProjectFile::Element &element, const Utils::Path &projectDirectory)
{
    Exclusions exclusions;
    exclusions.projectDirectory = projectDirectory.toString();
    const QmlProjectFile::Property *property = element.property(QStringLiteral("exclude"));
    if (!property)
        return exclusions;
    // A single path may be written without the brackets of a list.
    const QStringList paths = property->value.typeId() == QMetaType::QString
        ? QStringList { property->value.toString() }
        : property->value.toStringList();
    for (QString path : paths) {
        path = QDir::cleanPath(QDir::fromNativeSeparators(path));
        if (path.startsWith(QLatin1String("./")))
            path = path.mid(2);
        exclusions.patterns.append(
            QRegularExpression(QRegularExpression::wildcardToRegularExpression(path)));
    }
    return exclusions;
}

void collectFiles(const QString &directory,
                  const Utils::Path &excluded,
                  const Exclusions &exclusions,
                  QSet<QString> &visitedDirectories,
                  Utils::Paths &files,
                  QStringList &problems)
{
    // A folder that cannot be listed would otherwise look like an empty one,
    // and everything built from the project's files would silently lose its
    // contents.
    const QFileInfo info(directory);
    if (!info.isReadable() || !info.isExecutable()) {
        problems.append(DesignProject::tr("Cannot read the folder %1")
                            .arg(QDir::toNativeSeparators(directory)));
        return;
    }

    // Symbolic links may lead back up the tree, and source directories may nest;
    // each real directory is read once, so no file is listed twice.
    const QString canonical = QFileInfo(directory).canonicalFilePath();
    if (canonical.isEmpty() || visitedDirectories.contains(canonical))
        return;
    visitedDirectories.insert(canonical);

    // Broken symbolic links are listed (as System entries) so that whoever
    // reads the project's files learns that one cannot be read; sockets,
    // pipes and devices are not project files.
    const QFileInfoList entries = QDir(directory).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDir::Name | QDir::DirsLast);
    for (const QFileInfo &entry : entries) {
        if (!entry.isDir() && !entry.isFile() && !(entry.isSymLink() && !entry.exists()))
            continue;
        if (exclusions.excludes(entry))
            continue;
        if (entry.isDir()) {
            if (entry.fileName().startsWith(QLatin1Char('.')))
                continue;
            if (Utils::Path::fromFileInfo(entry) == excluded)
                continue;
            collectFiles(entry.absoluteFilePath(),
                         excluded,
                         exclusions,
                         visitedDirectories,
                         files,
                         problems);
        } else {
            files.append(Utils::Path::fromFileInfo(entry));
        }
    }
}

} // namespace

DesignProject::DesignProject(const Utils::Path &projectFile, QmlProjectFile file)
    : Projects::Project(projectFile), m_file(std::move(file))
{
    Projects::BuildTarget *target
        = addTarget(std::make_unique<Projects::BuildTarget>(this, tr("Desktop")));
    target->setBuildBackend(std::make_unique<QmlBuildBackend>(target));
    Projects::RunProfile *profile = target->addRunProfile(
        std::make_unique<Projects::RunProfile>(target, "qml.preview", tr("QML Preview")));
    profile->setMainFile(mainFile());
    connect(this, &DesignProject::projectFileChanged, profile, [this, profile] {
        profile->setMainFile(mainFile());
    });
    m_multiLanguage.reset(new MultiLanguageSetting(this));
}

DesignProject::~DesignProject() = default;

std::unique_ptr<DesignProject> DesignProject::open(const Utils::Path &projectFile,
                                                   QString *errorString)
{
    QmlProjectFile file;
    if (!file.load(projectFile.absolutePath(), errorString))
        return {};
    std::unique_ptr<DesignProject> project(new DesignProject(projectFile, std::move(file)));
    project->rescan();
    return project;
}

QmlBuildBackend *DesignProject::buildBackend() const
{
    for (Projects::BuildTarget *target : targets()) {
        if (auto *backend = qobject_cast<QmlBuildBackend *>(target->buildBackend()))
            return backend;
    }
    return nullptr;
}

Utils::Path DesignProject::mainFile() const
{
    const QString main = m_file.value(QStringLiteral("mainFile")).toString();
    return main.isEmpty() ? Utils::Path() : projectDirectory().resolvePath(main);
}

namespace {

Utils::Path directoryOf(const QmlProjectFile::Element &element, const Utils::Path &projectDirectory)
{
    QString directory = QStringLiteral(".");
    if (const QmlProjectFile::Property *property = element.property(QStringLiteral("directory"))) {
        if (property->value.typeId() == QMetaType::QString)
            directory = property->value.toString();
    }
    return projectDirectory.resolvePath(directory);
}

} // namespace

Utils::Paths DesignProject::sourceDirectories() const
{
    Utils::Paths directories;
    for (const QmlProjectFile::Element &child : m_file.root().children) {
        if (!child.typeName.endsWith(QLatin1String("Files")))
            continue;
        const Utils::Path path = directoryOf(child, projectDirectory());
        if (!directories.contains(path))
            directories.append(path);
    }
    if (directories.isEmpty())
        directories.append(projectDirectory());
    return directories;
}

Utils::Path DesignProject::i18nDirectory() const
{
    return projectDirectory().pathAppended(QStringLiteral("i18n"));
}

void DesignProject::rescan()
{
    QSet<QString> visited;
    Utils::Paths files;
    QStringList problems;
    const Utils::Path excluded = i18nDirectory();
    for (const Utils::Path &directory : sourceDirectories()) {
        // The exclusions of every element that names the folder.
        Exclusions exclusions { projectDirectory().toString(), {} };
        for (const QmlProjectFile::Element &child : m_file.root().children) {
            if (child.typeName.endsWith(QLatin1String("Files"))
                && directoryOf(child, projectDirectory()) == directory)
                exclusions.patterns += exclusionsOf(child, projectDirectory()).patterns;
        }
        const QFileInfo info(directory.toString());
        if (!info.exists()) {
            problems.append(tr("The folder %1 named in %2 does not exist")
                                .arg(directory.toUserOutput(), projectFilePath().toUserOutput()));
        } else if (!info.isDir()) {
            problems.append(tr("%1 named in %2 is not a folder")
                                .arg(directory.toUserOutput(), projectFilePath().toUserOutput()));
        } else {
            collectFiles(directory.toString(), excluded, exclusions, visited, files, problems);
        }
    }
    setFileProblems(problems);
    setFiles(files);
}

bool DesignProject::reload(QString *errorString)
{
    QmlProjectFile file;
    if (QmlBuildBackend *backend = buildBackend())
        backend->notifyParsing(true);
    const bool ok = file.load(projectFilePath(), errorString);
    if (ok) {
        m_file = std::move(file);
        rescan();
        emit projectFileChanged();
    }
    if (QmlBuildBackend *backend = buildBackend())
        backend->notifyParsing(false, ok);
    return ok;
}

bool DesignProject::writeProperty(const QString &name, const QString &valueSource)
{
    QmlProjectFile onDisk;
    QString readError;
    bool keepFileOnDisk = false;
    if (onDisk.load(projectFilePath(), &readError)) {
        m_file = std::move(onDisk);
    } else if (projectFilePath().exists()) {
        // The file is there but cannot be used, typically because someone is in the middle
        // of editing it. Writing our last known contents over it would throw their work
        // away, so the new value stays with the running studio only.
        keepFileOnDisk = true;
    } else {
        qCWarning(qmlProjectLog).noquote() << readError << "- writing the last known contents";
    }

    QString error;
    if (!m_file.setPropertySource(name, valueSource, &error)) {
        qCWarning(qmlProjectLog).noquote() << error;
        return false;
    }
    emit projectFileChanged();
    if (keepFileOnDisk) {
        qCWarning(qmlProjectLog).noquote() << tr("%1 The file was left unchanged.").arg(readError);
        return false;
    }
    if (!m_file.save(&error)) {
        qCWarning(qmlProjectLog).noquote() << error;
        return false;
    }
    return true;
}

bool DesignProject::setModelProperty(const QString &name, const QString &valueSource)
{
    QString error;
    if (!m_file.setPropertySource(name, valueSource, &error)) {
        qCWarning(qmlProjectLog).noquote() << error;
        return false;
    }
    emit projectFileChanged();
    return true;
}

} // namespace Host::QmlProject
