#include "formview.h"

#include "frameoverlay.h"
#include "scriptwatchdog.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QScrollArea>
#include <QStackedLayout>
#include <QTranslator>

#include <private/qqmlcontextdata_p.h>
#include <private/qqmldata_p.h>

namespace Host::FormEditor {

namespace {

// Where the document declares the item, when it is one of the document's own.
bool declaredAt(QQuickItem *item, const QUrl &url, const FormView::SourcePosition &position)
{
    const QQmlData *data = QQmlData::get(item);
    if (!data || !data->outerContext)
        return false;
    return data->lineNumber == position.line && data->columnNumber == position.column
        && data->outerContext->baseUrl() == url;
}

void collectItems(QQuickItem *item,
                  const QUrl &url,
                  const FormView::SourcePosition &position,
                  QList<QQuickItem *> *found)
{
    if (declaredAt(item, url, position))
        found->append(item);
    for (QQuickItem *child : item->childItems())
        collectItems(child, url, position, found);
}

} // namespace

FormView::FormView(QWidget *parent)
    : QWidget(parent),
      m_stack(new QStackedLayout(this)),
      m_scrollArea(new QScrollArea),
      m_quickWidget(new QQuickWidget),
      m_overlay(new FrameOverlay(m_quickWidget)),
      m_errorLabel(new QLabel)
{
    setObjectName(QStringLiteral("FormView"));
    setWindowTitle(tr("Form"));
    m_quickWidget->setResizeMode(QQuickWidget::SizeViewToRootObject);
    m_quickWidget->installEventFilter(this);
    m_scrollArea->setWidget(m_quickWidget);
    m_scrollArea->setAlignment(Qt::AlignCenter);
    m_scrollArea->setBackgroundRole(QPalette::Dark);
    m_errorLabel->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_errorLabel->setWordWrap(true);
    m_errorLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_errorLabel->setMargin(12);
    m_stack->addWidget(m_scrollArea);
    m_stack->addWidget(m_errorLabel);

    // Items move when anchors resolve, states change or a Repeater adds
    // delegates; each frame of the scene brings the frames along.
    connect(
        m_quickWidget->quickWindow(), &QQuickWindow::afterAnimating, this, &FormView::updateFrames);
    // Long enough for a document of tens of thousands of items to be made.
    setScriptTimeLimit(std::chrono::seconds(10));
}

void FormView::setScriptTimeLimit(std::chrono::milliseconds limit)
{
    m_watchdog = std::make_unique<ScriptWatchdog>(m_quickWidget->engine(), limit);
    connect(m_watchdog.get(), &ScriptWatchdog::interrupted, this, &FormView::scriptInterrupted);
}

std::chrono::milliseconds FormView::scriptTimeLimit() const
{
    return m_watchdog->limit();
}

QQmlError FormView::interruptionError() const
{
    QQmlError error;
    error.setUrl(m_url);
    error.setDescription(
        tr("Its JavaScript ran for more than %n second(s) without returning and was stopped; "
           "the form is not shown.",
           nullptr,
           int(std::chrono::ceil<std::chrono::seconds>(m_watchdog->limit()).count())));
    return error;
}

void FormView::scriptInterrupted()
{
    // A script that ran away later (a timer, an animation, a handler) leaves
    // a form that cannot be trusted either.
    if (m_url.isEmpty() || !m_qmlErrors.isEmpty())
        return;
    const QUrl url = m_url;
    clear();
    m_url = url;
    showErrors({ interruptionError() });
    emit sourceChanged();
}

FormView::~FormView()
{
    if (m_translator)
        QCoreApplication::removeTranslator(m_translator.get());
}

bool FormView::setTranslationFile(const QString &fileName)
{
    if (fileName == m_translationFile)
        return true;
    // qsTrId looks only at the application's translators; the studio's own
    // texts are not ID-based, so a project's catalogue cannot change them.
    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator.get());
        m_translator.reset();
    }
    m_translationFile.clear();
    bool loaded = true;
    if (!fileName.isEmpty()) {
        auto translator = std::make_unique<QTranslator>();
        loaded = translator->load(fileName);
        if (loaded) {
            QCoreApplication::installTranslator(translator.get());
            m_translator = std::move(translator);
            m_translationFile = fileName;
        }
    }
    m_quickWidget->engine()->retranslate();
    return loaded;
}

QQuickItem *FormView::rootItem() const
{
    return m_quickWidget->rootObject();
}

bool FormView::setSource(const QByteArray &text, const QUrl &url)
{
    clear();
    m_url = url;
    // Files next to the document (a Loader's source) may have been edited
    // since they were last compiled.
    m_quickWidget->engine()->clearComponentCache();

    // The widget deletes the component with the next document.
    auto *component = new QQmlComponent(m_quickWidget->engine(), m_quickWidget);
    // An earlier interruption is of no concern to this document.
    m_watchdog->takeInterruption();
    m_watchdog->beat();
    component->setData(text, url);
    QList<QQmlError> errors;
    const auto fail = [&](const QString &description) {
        QQmlError error;
        error.setUrl(url);
        error.setDescription(description);
        errors.append(error);
    };
    QObject *object = component->isReady() ? component->create() : nullptr;
    if (m_watchdog->takeInterruption()) {
        errors.append(interruptionError());
        delete object;
        delete component;
    } else if (!object) {
        errors = component->errors();
        if (errors.isEmpty())
            fail(tr("The document could not be created."));
        delete component;
    } else if (!qobject_cast<QQuickItem *>(object)) {
        fail(tr("The root of %1 is a %2, not an item: the form view shows items only.")
                 .arg(url.toDisplayString(QUrl::PreferLocalFile),
                      QString::fromLatin1(object->metaObject()->className())));
        delete object;
        delete component;
    } else {
        m_quickWidget->setContent(url, component, object);
    }

    if (!errors.isEmpty()) {
        showErrors(errors);
        emit sourceChanged();
        return false;
    }
    m_stack->setCurrentWidget(m_scrollArea);
    m_quickWidget->adjustSize();
    updateFrames();
    emit sourceChanged();
    return true;
}

void FormView::clear()
{
    m_quickWidget->setSource(QUrl()); // deletes the previous root and component
    m_url.clear();
    m_errors.clear();
    m_qmlErrors.clear();
    m_overlay->setFrames({});
    m_errorLabel->clear();
    m_stack->setCurrentWidget(m_scrollArea);
}

void FormView::showErrors(const QList<QQmlError> &errors)
{
    m_qmlErrors = errors;
    m_errors.clear();
    for (const QQmlError &error : errors)
        m_errors.append(error.toString());
    m_errorLabel->setText(tr("The form cannot be shown:") + QLatin1Char('\n')
                          + m_errors.join(QLatin1Char('\n')));
    m_stack->setCurrentWidget(m_errorLabel);
    m_overlay->setFrames({});
}

QList<QQuickItem *> FormView::itemsAt(const SourcePosition &position) const
{
    QList<QQuickItem *> found;
    if (QQuickItem *root = rootItem())
        collectItems(root, m_url, position, &found);
    return found;
}

void FormView::setFrames(const QList<Frame> &frames)
{
    m_frames = frames;
    updateFrames();
}

void FormView::updateFrames()
{
    QList<FrameOverlay::Frame> drawn;
    for (const Frame &frame : std::as_const(m_frames)) {
        for (QQuickItem *item : itemsAt(frame.position)) {
            if (!item->isVisible())
                continue;
            drawn.append(
                { item->mapRectToScene(QRectF(0, 0, item->width(), item->height())), frame.color });
        }
    }
    m_overlay->setFrames(drawn);
}

bool FormView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_quickWidget && event->type() == QEvent::Resize) {
        m_overlay->setGeometry(m_quickWidget->rect());
        m_overlay->raise();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace Host::FormEditor
