#include "generationtestsupport.h"

#include <projects/session.h>
#include <qmlproject/designproject.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QXmlStreamReader>

TestProject::TestProject() = default;

TestProject::~TestProject()
{
    m_database.reset();
    close();
}

void TestProject::writeFile(const QString &relative, const QByteArray &contents) const
{
    ::writeFile(m_directory.filePath(relative), contents);
}

bool TestProject::open()
{
    if (!QFileInfo::exists(filePath(QStringLiteral("test.qmlproject")))) {
        writeFile(QStringLiteral("test.qmlproject"),
                  "import QmlProject\nProject {\n    mainFile: \"App.qml\"\n"
                  "    supportedLanguages: [\"de\", \"fr\"]\n    primaryLanguage: \"de\"\n}\n");
    }
    QString error;
    auto project = Host::QmlProject::DesignProject::open(
        Host::Utils::Path::fromString(filePath(QStringLiteral("test.qmlproject"))), &error);
    if (!project) {
        qWarning("cannot open the test project: %s", qPrintable(error));
        return false;
    }
    m_project = project.release();
    Host::Projects::Session::instance()->addProject(m_project);
    Host::Projects::Session::instance()->setStartupProject(m_project);
    return true;
}

void TestProject::close()
{
    if (m_project) {
        Host::Projects::Session::instance()->removeProject(m_project);
        m_project = nullptr;
    }
}

Lexora::ProjectDatabase &TestProject::database()
{
    if (!m_database) {
        m_database = std::make_unique<Lexora::ProjectDatabase>(
            filePath(QStringLiteral("translations.db")));
    }
    return *m_database;
}

void TestProject::addTranslation(const char *id, const char *language, const char *translation)
{
    Lexora::DatabaseIo &io = database().databaseIo();
    std::int64_t key = io.translatableId(id);
    if (key < 0)
        key = io.addTranslatable(id);
    if (translation)
        io.updateTranslation(key, language, translation);
}

QString toolPath(const QString &name)
{
    const QString qtTool = QLibraryInfo::path(QLibraryInfo::BinariesPath) + u'/' + name;
    if (QFileInfo(qtTool).isExecutable())
        return qtTool;
    return QStandardPaths::findExecutable(name);
}

bool runTool(const QString &program, const QStringList &arguments, QString *output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(120000);
    const QString text = QString::fromUtf8(process.readAll());
    if (output)
        *output = text;
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(program), qPrintable(text));
        return false;
    }
    return true;
}

QMap<QString, TsMessage> readTs(const QString &path)
{
    QMap<QString, TsMessage> messages;
    QXmlStreamReader reader(readFile(path));
    QString id;
    TsMessage message;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            if (reader.name() == u"message") {
                id = reader.attributes().value(QLatin1String("id")).toString();
                message = {};
            } else if (reader.name() == u"translation") {
                message.type = reader.attributes().value(QLatin1String("type")).toString();
                message.translation = reader.readElementText();
            } else if (reader.name() == u"translatorcomment") {
                message.translatorComment = reader.readElementText();
            }
        } else if (reader.isEndElement() && reader.name() == u"message") {
            messages.insert(id, message);
        }
    }
    if (reader.hasError())
        qWarning("%s: %s", qPrintable(path), qPrintable(reader.errorString()));
    return messages;
}

QStringList tsMessageIds(const QString &path)
{
    QStringList ids;
    QXmlStreamReader reader(readFile(path));
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == u"message")
            ids.append(reader.attributes().value(QLatin1String("id")).toString());
    }
    if (reader.hasError())
        ids.append(QStringLiteral("<error: %1>").arg(reader.errorString()));
    return ids;
}
