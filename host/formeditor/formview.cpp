#include "formview.h"

#include "frameoverlay.h"
#include "scriptwatchdog.h"
#include "selectionoverlay.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QScrollArea>
#include <QStackedLayout>
#include <QToolTip>
#include <QTranslator>
#include <QVBoxLayout>

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

// The topmost visible item under `scenePoint` in the tree of `item`: children
// above their parent, later and higher siblings above earlier ones, as Qt
// Quick paints them. A child may lie outside its parent unless that clips.
QQuickItem *topmostItemAt(QQuickItem *item, const QPointF &scenePoint)
{
    if (!item->isVisible() || qFuzzyIsNull(item->opacity()))
        return nullptr;
    const QPointF local = item->mapFromScene(scenePoint);
    const bool inside = QRectF(0, 0, item->width(), item->height()).contains(local);
    if (item->clip() && !inside)
        return nullptr;
    QList<QQuickItem *> children = item->childItems();
    std::stable_sort(children.begin(), children.end(), [](QQuickItem *a, QQuickItem *b) {
        return a->z() < b->z();
    });
    for (auto child = children.crbegin(); child != children.crend(); ++child) {
        if (QQuickItem *found = topmostItemAt(*child, scenePoint))
            return found;
    }
    return inside ? item : nullptr;
}

bool declaredIn(QQuickItem *item, const QUrl &url)
{
    const QQmlData *data = QQmlData::get(item);
    return data && data->outerContext && data->lineNumber > 0
        && data->outerContext->baseUrl() == url;
}

FormView::SourcePosition declarationOf(QQuickItem *item)
{
    const QQmlData *data = QQmlData::get(item);
    return data ? FormView::SourcePosition { int(data->lineNumber), int(data->columnNumber) }
                : FormView::SourcePosition {};
}

QRectF sceneRect(QQuickItem *item)
{
    return item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
}

} // namespace

FormView::FormView(QWidget *parent)
    : QWidget(parent),
      m_stack(new QStackedLayout),
      m_scrollArea(new QScrollArea),
      m_quickWidget(new QQuickWidget),
      m_overlay(new FrameOverlay(m_quickWidget)),
      m_selectionOverlay(new SelectionOverlay(m_quickWidget)),
      m_stateBox(new QComboBox),
      m_errorLabel(new QLabel)
{
    setObjectName(QStringLiteral("FormView"));
    setWindowTitle(tr("Form"));
    m_quickWidget->setResizeMode(QQuickWidget::SizeViewToRootObject);
    m_quickWidget->installEventFilter(this);
    m_quickWidget->setMouseTracking(true);
    m_scrollArea->setWidget(m_quickWidget);
    m_scrollArea->setAlignment(Qt::AlignCenter);
    m_scrollArea->setBackgroundRole(QPalette::Dark);
    m_errorLabel->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_errorLabel->setWordWrap(true);
    m_errorLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_errorLabel->setMargin(12);
    m_stack->addWidget(m_scrollArea);
    m_stack->addWidget(m_errorLabel);

    // Only documents with states get the bar that chooses one.
    auto *stateBar = new QWidget;
    stateBar->setObjectName(QStringLiteral("StateBar"));
    auto *stateLayout = new QHBoxLayout(stateBar);
    stateLayout->setContentsMargins(6, 3, 6, 3);
    auto *stateLabel = new QLabel(tr("State:"));
    stateLabel->setBuddy(m_stateBox);
    m_stateBox->setObjectName(QStringLiteral("StateBox"));
    m_stateBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    stateLayout->addWidget(stateLabel);
    stateLayout->addWidget(m_stateBox);
    stateLayout->addStretch();
    stateBar->hide();
    connect(m_stateBox, &QComboBox::activated, this, [this](int index) {
        setCurrentState(m_stateBox->itemData(index).toString());
    });
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(stateBar);
    layout->addLayout(m_stack);

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
        applyState();
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
    m_selectionOverlay->setSelectionRects({});
    m_selectionOverlay->setHover({}, {});
    m_hoverItem.clear();
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
    m_selectionOverlay->setSelectionRects({});
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
            drawn.append({ item->mapRectToScene(QRectF(0, 0, item->width(), item->height())),
                           frame.color,
                           frame.toolTip });
        }
    }
    m_overlay->setFrames(drawn);

    QList<QRectF> selected;
    for (const SourcePosition &position : std::as_const(m_selection)) {
        for (QQuickItem *item : itemsAt(position)) {
            if (item->isVisible())
                selected.append(sceneRect(item));
        }
    }
    m_selectionOverlay->setSelectionRects(selected);
    if (m_hoverItem && m_hoverItem->isVisible())
        m_selectionOverlay->setHover(sceneRect(m_hoverItem),
                                     m_itemNames.value(declarationOf(m_hoverItem)));
    else
        m_selectionOverlay->setHover({}, {});
}

QQuickItem *FormView::documentItemAt(const QPoint &point) const
{
    QQuickItem *root = rootItem();
    if (!root || m_stack->currentWidget() != m_scrollArea)
        return nullptr;
    QQuickItem *item = topmostItemAt(root, QPointF(point));
    while (item && !declaredIn(item, m_url))
        item = item->parentItem();
    return item;
}

FormView::SourcePosition FormView::positionAt(const QPoint &point) const
{
    QQuickItem *item = documentItemAt(point);
    return item ? declarationOf(item) : SourcePosition {};
}

void FormView::setSelection(const QList<SourcePosition> &positions)
{
    m_selection = positions;
    updateFrames();
}

void FormView::setItemNames(const QHash<SourcePosition, QString> &names)
{
    m_itemNames = names;
    updateFrames();
}

void FormView::hoverAt(const QPoint &point)
{
    m_hoverItem = documentItemAt(point);
    updateFrames();
}

void FormView::setStates(const QStringList &names)
{
    m_states = names;
    m_stateBox->clear();
    m_stateBox->addItem(tr("Base state"), QString());
    for (const QString &name : names)
        m_stateBox->addItem(name, name);
    m_stateBox->parentWidget()->setVisible(!names.isEmpty());
    if (!m_states.contains(m_currentState))
        setCurrentState(QString());
    else
        m_stateBox->setCurrentIndex(m_stateBox->findData(m_currentState));
}

void FormView::setCurrentState(const QString &name)
{
    const QString state = m_states.contains(name) ? name : QString();
    m_stateBox->setCurrentIndex(qMax(0, m_stateBox->findData(state)));
    if (state == m_currentState)
        return;
    m_currentState = state;
    applyState();
    emit currentStateChanged(m_currentState);
}

void FormView::applyState()
{
    QQuickItem *root = rootItem();
    // A state the rendered root does not know would only be warned about.
    if (!root || (!m_currentState.isEmpty() && !m_states.contains(m_currentState)))
        return;
    root->setState(m_currentState);
    updateFrames();
}

bool FormView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_quickWidget)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Resize:
        m_overlay->setGeometry(m_quickWidget->rect());
        m_overlay->raise();
        m_selectionOverlay->setGeometry(m_quickWidget->rect());
        m_selectionOverlay->raise();
        break;
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton)
            emit clicked(positionAt(mouse->position().toPoint()), mouse->modifiers());
        return true;
    }
    // The items never see the pointer: a button on the form is designed,
    // not pressed.
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return true;
    case QEvent::MouseMove:
        hoverAt(static_cast<QMouseEvent *>(event)->position().toPoint());
        return true;
    case QEvent::Leave:
        m_hoverItem.clear();
        updateFrames();
        break;
    default:
        break;
    }
    // The overlay lets the pointer through to the form, so the form's widget
    // is asked for tooltips; a frame's explains the frame.
    if (watched == m_quickWidget && event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const QString text = m_overlay->toolTipAt(help->pos());
        if (!text.isEmpty()) {
            QToolTip::showText(help->globalPos(), text, m_quickWidget);
            return true;
        }
        QToolTip::hideText();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace Host::FormEditor
