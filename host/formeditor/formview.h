#pragma once

#include "formeditor_global.h"

#include <QColor>
#include <QList>
#include <QPointer>
#include <QQmlError>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <chrono>
#include <memory>

QT_BEGIN_NAMESPACE
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

// Renders a QML document with Qt Quick, the way the application will show it,
// and draws frames around the items of chosen objects. Objects are named by
// where the document declares them (line and column of their type name), which
// is what ties a designer node to the items Qt Quick made for it: one
// declaration may give several items (the delegate of a Repeater), and the
// items of other files (a Loader's content) belong to no node of this one.
class HOST_FORMEDITOR_EXPORT FormView : public QWidget
{
    Q_OBJECT

public:
    struct SourcePosition
    {
        int line = 0; // 1-based, as Qt's QML compiler counts
        int column = 0;

        friend bool operator==(const SourcePosition &, const SourcePosition &) = default;
    };

    struct Frame
    {
        SourcePosition position;
        QColor color;
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

    // Shows the form's texts in the language of a compiled translation file
    // (a `.qm` file as `qsTrId` reads it); an empty name shows the texts as
    // written. False when the file cannot be loaded: the texts then stay as
    // written.
    bool setTranslationFile(const QString &fileName);
    QString translationFile() const { return m_translationFile; }

    QQuickWidget *quickWidget() const { return m_quickWidget; }
    FrameOverlay *overlay() const { return m_overlay; }

signals:
    // A new document was rendered (or failed to render).
    void sourceChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showErrors(const QList<QQmlError> &errors);
    QQmlError interruptionError() const;
    void scriptInterrupted();
    void updateFrames();

    QStackedLayout *m_stack;
    QScrollArea *m_scrollArea;
    QQuickWidget *m_quickWidget;
    FrameOverlay *m_overlay;
    QLabel *m_errorLabel;
    QUrl m_url;
    QStringList m_errors;
    QList<QQmlError> m_qmlErrors;
    std::unique_ptr<ScriptWatchdog> m_watchdog;
    QList<Frame> m_frames;
    std::unique_ptr<QTranslator> m_translator;
    QString m_translationFile;
};

} // namespace Host::FormEditor
