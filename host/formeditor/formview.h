#pragma once

#include "formeditor_global.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QQmlError>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <chrono>
#include <memory>

QT_BEGIN_NAMESPACE
class QComboBox;
class QLabel;
class QQuickItem;
class QQuickWidget;
class QScrollArea;
class QStackedLayout;
class QTranslator;
QT_END_NAMESPACE

namespace Host::FormEditor {

class FrameOverlay;
class ScriptWatchdog;
class SelectionOverlay;

// Renders a QML document with Qt Quick, the way the application will show it,
// and draws frames around the items of chosen objects. Objects are named by
// where the document declares them (line and column of their type name), which
// is what ties a designer node to the items Qt Quick made for it: one
// declaration may give several items (the delegate of a Repeater), and the
// items of other files (a Loader's content) belong to no node of this one.
//
// The form is a design surface: a click names the object under the pointer
// instead of reaching the items, and the pointer shows which object it is over.
class HOST_FORMEDITOR_EXPORT FormView : public QWidget
{
    Q_OBJECT

public:
    struct SourcePosition
    {
        int line = 0; // 1-based, as Qt's QML compiler counts
        int column = 0;

        bool isValid() const { return line > 0; }
        friend bool operator==(const SourcePosition &, const SourcePosition &) = default;
        friend size_t qHash(const SourcePosition &position, size_t seed = 0)
        {
            return qHashMulti(seed, position.line, position.column);
        }
    };

    struct Frame
    {
        SourcePosition position;
        QColor color;
        // Shown when the pointer rests on the frame; empty: none.
        QString toolTip;
    };

    explicit FormView(QWidget *parent = nullptr);
    ~FormView() override;

    // Renders `text` as the contents of the file at `url`, so that its imports
    // and the files it names resolve from there. On failure the view shows the
    // errors instead of a form and returns false.
    bool setSource(const QByteArray &text, const QUrl &url);
    void clear();
    QUrl url() const { return m_url; }
    QStringList errors() const { return m_errors; }
    // The same with their places: the file (the document or one it uses) and line.
    QList<QQmlError> qmlErrors() const { return m_qmlErrors; }

    // How long the document's JavaScript may keep the interface thread busy
    // before it is interrupted and the form shown as failed.
    void setScriptTimeLimit(std::chrono::milliseconds limit);
    std::chrono::milliseconds scriptTimeLimit() const;
    QQuickItem *rootItem() const;

    // The items made for the object declared at `position`.
    QList<QQuickItem *> itemsAt(const SourcePosition &position) const;

    QList<Frame> frames() const { return m_frames; }
    void setFrames(const QList<Frame> &frames);

    // The object of this document whose item is topmost at `point` (in the
    // coordinates of quickWidget()); content of other files counts as the
    // object that loads it. Invalid where the form shows nothing.
    SourcePosition positionAt(const QPoint &point) const;

    // The selected objects, drawn apart from the frames.
    QList<SourcePosition> selection() const { return m_selection; }
    void setSelection(const QList<SourcePosition> &positions);

    // What the pointer shows over each object (its id, say); objects without
    // a name are outlined only.
    void setItemNames(const QHash<SourcePosition, QString> &names);

    // The states of the document's root object, by name; the form shows the
    // current one (empty: the base state) and keeps it across renderings.
    QStringList states() const { return m_states; }
    void setStates(const QStringList &names);
    QString currentState() const { return m_currentState; }
    void setCurrentState(const QString &name);

    // Shows the form's texts in the language of a compiled translation file
    // (a `.qm` file as `qsTrId` reads it); an empty name shows the texts as
    // written. False when the file cannot be loaded: the texts then stay as
    // written.
    bool setTranslationFile(const QString &fileName);
    QString translationFile() const { return m_translationFile; }

    QQuickWidget *quickWidget() const { return m_quickWidget; }
    FrameOverlay *overlay() const { return m_overlay; }
    SelectionOverlay *selectionOverlay() const { return m_selectionOverlay; }
    QComboBox *stateBox() const { return m_stateBox; }

signals:
    // A new document was rendered (or failed to render).
    void sourceChanged();
    // The form was clicked over the object at `position` (invalid: over
    // nothing of the document).
    void clicked(const Host::FormEditor::FormView::SourcePosition &position,
                 Qt::KeyboardModifiers modifiers);
    void currentStateChanged(const QString &name);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showErrors(const QList<QQmlError> &errors);
    QQmlError interruptionError() const;
    void scriptInterrupted();
    void updateFrames();
    QQuickItem *documentItemAt(const QPoint &point) const;
    void hoverAt(const QPoint &point);
    void applyState();

    QStackedLayout *m_stack;
    QScrollArea *m_scrollArea;
    QQuickWidget *m_quickWidget;
    FrameOverlay *m_overlay;
    SelectionOverlay *m_selectionOverlay;
    QComboBox *m_stateBox;
    QLabel *m_errorLabel;
    QUrl m_url;
    QStringList m_errors;
    QList<QQmlError> m_qmlErrors;
    std::unique_ptr<ScriptWatchdog> m_watchdog;
    QList<Frame> m_frames;
    std::unique_ptr<QTranslator> m_translator;
    QString m_translationFile;
    QList<SourcePosition> m_selection;
    QHash<SourcePosition, QString> m_itemNames;
    QPointer<QQuickItem> m_hoverItem;
    QStringList m_states;
    QString m_currentState;
};

} // namespace Host::FormEditor
