#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <vector>

QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

namespace Studio {

// Writes a PNG of a window once it is shown and everything it waits for is
// there. Work that fills the window (a database read, a panel created on first
// show, a scene compiled by Qt Quick) finishes at its own pace, so the taker
// polls named conditions instead of guessing a delay.
class ScreenshotTaker : public QObject
{
    Q_OBJECT

public:
    ScreenshotTaker(QWidget *window, const QString &fileName, QObject *parent = nullptr);

    // `what` names the condition in the message of a timeout.
    void addCondition(const QString &what, std::function<bool()> isMet);
    void setTimeout(int milliseconds) { m_timeout = milliseconds; }
    void start();

    // The conditions not met yet, by name.
    QStringList pendingConditions() const;

signals:
    // Emitted once. On a timeout the picture is still written (it shows what
    // was missing) but `ok` is false.
    void finished(bool ok, const QString &message);

private:
    void poll();
    void capture(const QString &problem);

    struct Condition
    {
        QString what;
        std::function<bool()> isMet;
    };

    QPointer<QWidget> m_window;
    QString m_fileName;
    std::vector<Condition> m_conditions;
    QTimer m_pollTimer;
    QElapsedTimer m_elapsed;
    int m_timeout = 30000;
    int m_settleRounds = 0;
    bool m_done = false;
};

} // namespace Studio
