#include "visualreport.h"

#include "atomicfile.h"
#include "translationtestresults.h"
#include "visualreportpage.h"

#include <designer/documentrewriter.h>
#include <designer/formdocument.h>
#include <designer/node.h>
#include <formeditor/formeditorview.h>
#include <formeditor/formview.h>
#include <formeditor/frameoverlay.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QQmlListReference>
#include <QQuickItem>
#include <QQuickWidget>
#include <QRegularExpression>

namespace Lexora {

namespace {

using Host::FormEditor::FormView;

QString tr(const char *text, const char *disambiguation = nullptr, int n = -1)
{
    return QCoreApplication::translate("VisualReport", text, disambiguation, n);
}

QString placeKey(const QString &path, int line, int column)
{
    return QStringLiteral("%1:%2:%3").arg(path).arg(line).arg(column);
}

// A picture's name says what it shows, in characters every file system and
// URL takes as they are.
QString namePart(const QString &text)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9_-]+"));
    QString part = text;
    part.replace(unsafe, QStringLiteral("_"));
    return part.left(60);
}

QStringList statesOf(QQuickItem *root)
{
    QStringList names;
    QQmlListReference states(root, "states");
    for (qsizetype i = 0; states.isValid() && i < states.count(); ++i) {
        const QString name = states.at(i)->property("name").toString();
        if (!name.isEmpty() && !names.contains(name))
            names.append(name);
    }
    return names;
}

// Renders the scene now: the widget's own grab() may give the picture it
// last drew, from before a language or state change.
QImage grab(FormView &view)
{
    QImage image = view.quickWidget()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(1.0);
    QPainter painter(&image);
    view.overlay()->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace

VisualReport::VisualReport(const QString &projectDirectory, const QStringList &languages)
    : m_projectDirectory(projectDirectory), m_languages(languages)
{ }

void VisualReport::setColors(const QColor &missingColor, const QColor &elideColor)
{
    m_missingColor = missingColor;
    m_elideColor = elideColor;
}

void VisualReport::setResult(const QByteArray &resultJson, const QList<TranslationIssue> &issues)
{
    m_resultJson = resultJson;
    m_issues = issues;
}

void VisualReport::setTranslationDirectory(const QString &language, const QString &directory)
{
    m_translationDirectories.insert(language, directory);
}

QString VisualReport::translationFile(const QString &language) const
{
    return QDir(m_translationDirectories.value(language, m_projectDirectory))
        .filePath(QLatin1String("i18n/qml_") + language + QLatin1String(".qm"));
}

bool VisualReport::write(const QList<Host::Utils::Path> &files,
                         const QString &directory,
                         const Progress &progress)
{
    m_errorString.clear();
    m_pictureCount = 0;
    m_unloadedLanguages.clear();
    const QDir output(directory);
    if (!QDir().mkpath(directory)) {
        m_errorString = tr("cannot make the folder %1").arg(directory);
        return false;
    }

    QHash<QString, QString> idAt;
    for (const TranslationTestResults::Finding &finding :
         TranslationTestResults::findings(m_resultJson)) {
        idAt.insert(placeKey(finding.componentPath, finding.line, finding.column),
                    finding.translationId);
    }

    const QDir base(m_projectDirectory);
    VisualReportPage page;
    page.title = tr("Translation test of %1").arg(QFileInfo(m_projectDirectory).fileName());
    page.languages = m_languages;
    page.missingColor = m_missingColor;
    page.elideColor = m_elideColor;

    FormView view;
    // The renderer needs a window of its own; no one is to see it.
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.show();

    // Each screen is made once to learn its states, so that progress counts
    // every picture from the start.
    struct Screen
    {
        QString path;
        QString name;
        QByteArray text;
        QStringList states;
        QString problem;
    };
    QList<Screen> screens;
    int total = 0;
    for (const Host::Utils::Path &file : files) {
        Screen screen;
        screen.path = file.toString();
        screen.name = screen.path.startsWith(base.absolutePath() + QLatin1Char('/'))
            ? base.relativeFilePath(screen.path)
            : screen.path;
        QFile source(screen.path);
        if (!source.open(QIODevice::ReadOnly)) {
            screen.problem = tr("The file cannot be read: %1").arg(source.errorString());
        } else {
            screen.text = source.readAll();
            if (view.setSource(screen.text, QUrl::fromLocalFile(screen.path)))
                screen.states = statesOf(view.rootItem());
            else
                screen.problem = view.errors().join(QLatin1Char('\n'));
        }
        screen.states.prepend(QString());
        if (screen.problem.isEmpty())
            total += int(screen.states.size() * m_languages.size());
        screens.append(screen);
    }

    for (qsizetype index = 0; index < screens.size(); ++index) {
        const Screen &screen = screens.at(index);
        if (!screen.problem.isEmpty()) {
            VisualReportPage::Row row { screen.name, QString(), {} };
            for (const QString &language : std::as_const(m_languages))
                row.pictures.append({ language, QString(), QSize(), screen.problem, {} });
            page.rows.append(row);
            continue;
        }
        const QUrl url = QUrl::fromLocalFile(screen.path);
        // The model maps a reported place to the object the designer frames.
        Host::Designer::FormDocument document;
        const bool modelled = document.setText(QString::fromUtf8(screen.text));
        view.setSource(screen.text, url);
        for (const QString &state : screen.states) {
            VisualReportPage::Row row { screen.name, state, {} };
            for (const QString &language : std::as_const(m_languages)) {
                if (progress && !progress(m_pictureCount, total)) {
                    m_errorString = tr("the visual report was stopped");
                    return false;
                }
                VisualReportPage::Picture picture { language, {}, {}, {}, {} };
                if (!view.setTranslationFile(translationFile(language))) {
                    picture.note = tr("%1 could not be loaded: the texts are shown as written")
                                       .arg(QStringLiteral("i18n/qml_%1.qm").arg(language));
                    if (!m_unloadedLanguages.contains(language))
                        m_unloadedLanguages.append(language);
                }
                if (QQuickItem *root = view.rootItem())
                    root->setState(state);
                // Positioners and anchors settle when the scene is polished,
                // which a rendering does; frames are measured after it.
                QCoreApplication::processEvents();
                view.setFrames({});
                grab(view);

                QList<FormView::Frame> elidedFrames;
                QList<FormView::Frame> missingFrames;
                QSet<QString> seen;
                for (const TranslationIssue &issue : std::as_const(m_issues)) {
                    if (issue.language != language || issue.state != state
                        || issue.url.toLocalFile() != screen.path)
                        continue;
                    const bool missing = issue.type == 0;
                    const QString key = placeKey(screen.path, issue.line, issue.column);
                    if (seen.contains(key + (missing ? u'm' : u'e')))
                        continue;
                    seen.insert(key + (missing ? u'm' : u'e'));
                    FormView::SourcePosition position { issue.line, issue.column };
                    if (Host::Designer::Node *node = modelled
                            ? document.rewriter()->nodeAtPosition(issue.line, issue.column)
                            : nullptr)
                        position = Host::FormEditor::FormEditorView::framedPosition(&view, node);
                    VisualReportPage::Finding finding;
                    finding.missing = missing;
                    finding.translationId = idAt.value(key);
                    finding.line = issue.line;
                    finding.column = issue.column;
                    for (QQuickItem *item : view.itemsAt(position)) {
                        if (!item->isVisible())
                            continue;
                        finding.shownText = item->property("text").toString();
                        // The service also names a binding a state has set
                        // aside; an untranslated text shows its ID, and a
                        // text that does not was not this binding's.
                        finding.framed = !missing || finding.translationId.isEmpty()
                            || finding.shownText.contains(finding.translationId);
                        if (!finding.framed)
                            finding.shownText.clear();
                        break;
                    }
                    if (finding.framed) {
                        (missing ? missingFrames : elidedFrames)
                            .append({ position, missing ? m_missingColor : m_elideColor, {} });
                    }
                    picture.findings.append(finding);
                }
                // A missing translation is the graver finding: drawn last, on top.
                view.setFrames(elidedFrames + missingFrames);
                const QImage image = grab(view);

                picture.fileName
                    = QStringLiteral("%1-%2-%3-%4.png")
                          .arg(index + 1, 2, 10, QLatin1Char('0'))
                          .arg(namePart(QFileInfo(screen.name).fileName()),
                               namePart(state.isEmpty() ? QStringLiteral("base")
                                                        : QLatin1String("state-") + state),
                               namePart(language));
                picture.size = image.size();
                QByteArray png;
                QBuffer buffer(&png);
                buffer.open(QIODevice::WriteOnly);
                if (image.isNull() || !image.save(&buffer, "PNG")) {
                    m_errorString = tr("the screen %1 could not be drawn").arg(screen.name);
                    return false;
                }
                if (QString error;
                    !AtomicFile::writeFile(output.filePath(picture.fileName), png, &error)) {
                    m_errorString
                        = tr("cannot write %1: %2").arg(output.filePath(picture.fileName), error);
                    return false;
                }
                ++m_pictureCount;
                row.pictures.append(picture);
            }
            page.rows.append(row);
        }
    }
    view.setTranslationFile(QString());

    if (QString error; !AtomicFile::writeFile(
            output.filePath(QStringLiteral("index.html")), page.toHtml(), &error)) {
        m_errorString
            = tr("cannot write %1: %2").arg(output.filePath(QStringLiteral("index.html")), error);
        return false;
    }
    return true;
}

} // namespace Lexora
