#include "formeditorview.h"

#include "formeditorconstants.h"

#include <designer/documentmodel.h>
#include <designer/documentrewriter.h>
#include <designer/node.h>
#include <projects/issuelist.h>
#include <projects/project.h>
#include <projects/session.h>
#include <qmlproject/qmlbuildbackend.h>

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QTextDocument>

namespace Host::FormEditor {

FormEditorView::FormEditorView(QObject *parent) : DesignerView(parent)
{
    m_renderTimer.setSingleShot(true);
    m_renderTimer.setInterval(150);
    connect(&m_renderTimer, &QTimer::timeout, this, &FormEditorView::renderNow);
    // A generation writes every language's files in a burst.
    m_translationTimer.setSingleShot(true);
    m_translationTimer.setInterval(100);
    connect(&m_translationTimer, &QTimer::timeout, this, &FormEditorView::translationFileTouched);
    connect(&m_translationWatcher,
            &QFileSystemWatcher::fileChanged,
            &m_translationTimer,
            qOverload<>(&QTimer::start));
    connect(&m_translationWatcher,
            &QFileSystemWatcher::directoryChanged,
            &m_translationTimer,
            qOverload<>(&QTimer::start));
    Projects::IssueList::instance()->addCategory(issueCategory, tr("QML"));
}

FormEditorView::~FormEditorView()
{
    Projects::IssueList::instance()->clearIssues(issueCategory);
}

Designer::ViewWidgetDescription FormEditorView::widgetDescription()
{
    if (!m_formView) {
        m_formView = new FormView;
        connect(m_formView, &FormView::sourceChanged, this, &FormEditorView::publishIssues);
        connect(m_formView, &FormView::clicked, this, &FormEditorView::selectAt);
        if (isAttached()) {
            renderNow();
            updateLanguage();
        }
    }
    Designer::ViewWidgetDescription description;
    description.widget = m_formView;
    description.uniqueId = QStringLiteral("FormEditor");
    description.tabTitle = tr("Form");
    description.placementHint = int(Designer::ViewWidgetDescription::Placement::Central);
    return description;
}

FormView::SourcePosition FormEditorView::declarationPosition(Designer::Node *node)
{
    Designer::DocumentModel *model = node->model();
    if (!model || !model->textDocument())
        return {};
    return declarationPosition(node, model->textDocument()->toPlainText());
}

FormView::SourcePosition FormEditorView::declarationPosition(Designer::Node *node,
                                                             const QString &text)
{
    Designer::DocumentModel *model = node->model();
    // A node bound to a property (`states: State {`) may begin at the
    // property's name; the compiler places the object at its type name.
    int offset = text.indexOf(node->typeName(), node->sourceBegin());
    if (offset < 0 || offset >= node->sourceEnd())
        offset = node->sourceBegin();
    const auto [line, column] = model->rewriter()->lineAndColumn(offset);
    return { line, column };
}

FormView::SourcePosition FormEditorView::framedPosition(const FormView *formView,
                                                        Designer::Node *node)
{
    FormView::SourcePosition position = declarationPosition(node);
    // A text a state sets is written in the state's PropertyChanges, which
    // draws nothing: its frame goes around the object the changes target.
    if (formView->itemsAt(position).isEmpty() && node->hasBindingProperty("target")) {
        const QString target = node->property("target").expression().trimmed();
        if (Designer::Node *targetNode = node->model()->nodeForId(target))
            position = declarationPosition(targetNode);
    }
    return position;
}

QString FormEditorView::translationFileFor(const QUrl &url, const QString &language)
{
    if (!url.isLocalFile() || language.isEmpty())
        return {};
    const QDir documentDir = QFileInfo(url.toLocalFile()).absoluteDir();
    QDir projectDir = documentDir;
    for (QDir dir = documentDir;;) {
        if (!dir.entryList({ QStringLiteral("*.qmlproject") }, QDir::Files).isEmpty()) {
            projectDir = dir;
            break;
        }
        if (!dir.cdUp())
            break;
    }
    // A language made for previewing only keeps its translations outside the project.
    QDir translationDir = projectDir;
    for (Projects::Project *project : Projects::Session::instance()->projects()) {
        const QmlProject::QmlBuildBackend *backend
            = QmlProject::QmlBuildBackend::forProject(project);
        if (backend && QDir(project->projectDirectory().toString()) == projectDir
            && backend->previewOnlyLanguages().contains(language)) {
            translationDir.setPath(backend->translationDirectory(language).toString());
            break;
        }
    }
    return QDir::cleanPath(
        translationDir.filePath(QLatin1String("i18n/qml_") + language + QLatin1String(".qm")));
}

QStringList FormEditorView::stateNames(Designer::DocumentModel *model)
{
    QStringList names;
    if (!model || !model->rootNode())
        return names;
    for (Designer::Node *child : model->rootNode()->childNodes()) {
        if (child->parentPropertyName() != "states" || child->typeName() != u"State")
            continue;
        // A name computed by a binding is known only to the running form.
        const QString name = child->property("name").value().toString();
        if (!name.isEmpty() && !names.contains(name))
            names.append(name);
    }
    return names;
}

void FormEditorView::modelAttached(Designer::DocumentModel *model)
{
    DesignerView::modelAttached(model);
    // A text that stops (or starts again) to parse changes no node; the form
    // and the Issues list must still follow it.
    connect(model->rewriter(),
            &Designer::DocumentRewriter::errorsChanged,
            this,
            &FormEditorView::scheduleRender);
    renderNow();
    updateLanguage();
}

void FormEditorView::modelAboutToBeDetached(Designer::DocumentModel *model)
{
    m_renderTimer.stop();
    model->rewriter()->disconnect(this);
    if (m_formView) {
        m_formView->clear();
        m_formView->setSelection({});
        m_formView->setItemNames({});
        m_formView->setStates({});
    }
    Projects::IssueList::instance()->clearIssues(issueCategory);
    DesignerView::modelAboutToBeDetached(model);
}

void FormEditorView::nodeRemoved(Designer::Node * /*parentNode*/,
                                 const QByteArray & /*parentProperty*/)
{
    scheduleRender();
}

void FormEditorView::nodeReparented(Designer::Node * /*node*/,
                                    Designer::Node * /*newParent*/,
                                    Designer::Node * /*oldParent*/)
{
    scheduleRender();
}

void FormEditorView::propertiesRemoved(const Designer::NodeProperties & /*properties*/)
{
    scheduleRender();
}

void FormEditorView::bindingPropertiesChanged(const Designer::NodeProperties & /*properties*/)
{
    scheduleRender();
}

void FormEditorView::auxiliaryDataChanged(Designer::Node *node,
                                          const QByteArray &name,
                                          const QVariant & /*data*/)
{
    if (name == frameColorName || name == frameToolTipName)
        updateFrames();
    else if (name == languageName && node->isRootNode())
        updateLanguage();
}

void FormEditorView::updateLanguage()
{
    if (!m_formView || !model() || !rootNode())
        return;
    const QString language = rootNode()->auxiliaryData(languageName).toString();
    const QString file = translationFileFor(model()->fileUrl(), language);
    // Without generated files the texts show their IDs, which is what the
    // application shows too.
    const QFileInfo info(file);
    m_translationModified = info.exists() ? info.lastModified() : QDateTime();
    m_formView->setTranslationFile(info.exists() ? file : QString());

    if (!m_translationWatcher.files().isEmpty())
        m_translationWatcher.removePaths(m_translationWatcher.files());
    if (!m_translationWatcher.directories().isEmpty())
        m_translationWatcher.removePaths(m_translationWatcher.directories());
    if (file.isEmpty())
        return;
    // The file is replaced, not rewritten, and the first generation makes
    // its folder: the folders tell of both.
    QStringList paths { info.absolutePath(), QFileInfo(info.absolutePath()).absolutePath() };
    if (info.exists())
        paths.append(file);
    paths.removeIf([](const QString &path) { return !QFileInfo::exists(path); });
    if (!paths.isEmpty())
        m_translationWatcher.addPaths(paths);
}

void FormEditorView::translationFileTouched()
{
    if (!m_formView || !model() || !rootNode())
        return;
    const QString language = rootNode()->auxiliaryData(languageName).toString();
    const QFileInfo info(translationFileFor(model()->fileUrl(), language));
    const QDateTime modified = info.exists() ? info.lastModified() : QDateTime();
    if (language.isEmpty() || modified == m_translationModified)
        return;
    // The same file name: the form view would keep the catalogue it loaded.
    m_formView->setTranslationFile(QString());
    updateLanguage();
}

void FormEditorView::scheduleRender()
{
    m_renderTimer.start();
}

void FormEditorView::renderNow()
{
    m_renderTimer.stop();
    if (!m_formView || !model() || !model()->textDocument())
        return;
    // Known before the form is made, so that it comes up in the state shown.
    m_formView->setStates(stateNames(model()));
    m_formView->setSource(model()->textDocument()->toPlainText().toUtf8(), model()->fileUrl());
    updateFrames();
    updateItemNames();
    updateSelection();
}

void FormEditorView::selectionChanged(const QList<Designer::Node *> & /*selected*/,
                                      const QList<Designer::Node *> & /*deselected*/)
{
    updateSelection();
    // Choosing a state, or something a state changes, shows the form in it.
    if (!m_formView || !hasSingleSelectedNode())
        return;
    for (Designer::Node *node = firstSelectedNode(); node && !node->isRootNode();
         node = node->parentNode()) {
        if (node->parentNode()->isRootNode() && node->parentPropertyName() == "states") {
            const QString name = node->property("name").value().toString();
            if (m_formView->states().contains(name))
                m_formView->setCurrentState(name);
            break;
        }
    }
}

void FormEditorView::updateSelection()
{
    if (!m_formView)
        return;
    QList<FormView::SourcePosition> positions;
    for (Designer::Node *node : selectedNodes())
        positions.append(framedPosition(m_formView, node));
    m_formView->setSelection(positions);
}

void FormEditorView::updateItemNames()
{
    if (!m_formView || !model() || !model()->textDocument())
        return;
    const QString text = model()->textDocument()->toPlainText();
    QHash<FormView::SourcePosition, QString> names;
    for (Designer::Node *node : allNodes()) {
        if (!node->id().isEmpty())
            names.insert(declarationPosition(node, text), node->id());
    }
    m_formView->setItemNames(names);
}

void FormEditorView::selectAt(const FormView::SourcePosition &position,
                              Qt::KeyboardModifiers modifiers)
{
    if (!model() || !model()->textDocument())
        return;
    Designer::Node *clicked = nullptr;
    if (position.isValid()) {
        const QString text = model()->textDocument()->toPlainText();
        for (Designer::Node *node : allNodes()) {
            if (declarationPosition(node, text) == position) {
                clicked = node;
                break;
            }
        }
    }
    QList<Designer::Node *> nodes;
    if (modifiers & (Qt::ControlModifier | Qt::ShiftModifier)) {
        // Adds the node to the selection, or takes it out again.
        nodes = selectedNodes();
        if (clicked && !nodes.removeOne(clicked))
            nodes.append(clicked);
    } else if (clicked) {
        nodes = { clicked };
    }
    model()->setSelectedNodes(nodes);
}

void FormEditorView::publishIssues()
{
    auto *issues = Projects::IssueList::instance();
    issues->clearIssues(issueCategory);
    if (!m_formView || !model())
        return;
    for (const QQmlError &error : m_formView->qmlErrors()) {
        const QUrl url = error.url().isEmpty() ? model()->fileUrl() : error.url();
        issues->addIssue(Projects::Issue(Projects::Issue::Error,
                                         error.description(),
                                         Utils::Path::fromString(url.toLocalFile()),
                                         error.line() > 0 ? error.line() : -1,
                                         issueCategory));
    }
}

void FormEditorView::updateFrames()
{
    if (!m_formView)
        return;
    QList<FormView::Frame> frames;
    for (Designer::Node *node : allNodes()) {
        const QColor color = node->auxiliaryData(frameColorName).value<QColor>();
        if (!color.isValid() || color.alpha() == 0)
            continue;
        // Frames are drawn in document order, so a state's finding is drawn
        // over the one of the object's own text.
        frames.append({ framedPosition(m_formView, node),
                        color,
                        node->auxiliaryData(frameToolTipName).toString() });
    }
    m_formView->setFrames(frames);
}

} // namespace Host::FormEditor
