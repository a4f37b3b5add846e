#include "screenshottaker.h"

#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QWidget>
#include <QWindow>

namespace Studio {

namespace {
// Rounds of the event loop with every condition met before the picture is
// taken, so that layouts and repaints the last change queued have run.
constexpr int settleRounds = 2;
constexpr int pollInterval = 10;
} // namespace

ScreenshotTaker::ScreenshotTaker(QWidget *window, const QString &fileName, QObject *parent)
    : QObject(parent), m_window(window), m_fileName(fileName)
{
    m_pollTimer.setInterval(pollInterval);
    connect(&m_pollTimer, &QTimer::timeout, this, &ScreenshotTaker::poll);
    addCondition(tr("the window to be shown"), [this] {
        return m_window && m_window->isVisible() && m_window->windowHandle()
            && m_window->windowHandle()->isExposed();
    });
}

void ScreenshotTaker::addCondition(const QString &what, std::function<bool()> isMet)
{
    m_conditions.push_back({ what, std::move(isMet) });
}

QStringList ScreenshotTaker::pendingConditions() const
{
    QStringList pending;
    for (const Condition &condition : m_conditions) {
        if (!condition.isMet())
            pending.append(condition.what);
    }
    return pending;
}

void ScreenshotTaker::start()
{
    m_elapsed.start();
    m_pollTimer.start();
    QTimer::singleShot(0, this, &ScreenshotTaker::poll);
}

void ScreenshotTaker::poll()
{
    if (m_done)
        return;
    if (!m_window) {
        m_done = true;
        m_pollTimer.stop();
        emit finished(false, tr("The window was closed before the screenshot was taken."));
        return;
    }
    const QStringList pending = pendingConditions();
    if (pending.isEmpty()) {
        if (++m_settleRounds > settleRounds)
            capture({});
        return;
    }
    m_settleRounds = 0;
    if (m_elapsed.elapsed() > m_timeout)
        capture(tr("Timed out after %1 ms waiting for %2.")
                    .arg(m_timeout)
                    .arg(pending.join(QLatin1String(", "))));
}

void ScreenshotTaker::capture(const QString &problem)
{
    m_done = true;
    m_pollTimer.stop();
    const QPixmap picture = m_window->grab();
    const QFileInfo target(m_fileName);
    QDir().mkpath(target.absolutePath());
    // zlib's lighter levels write a window's flat colours about as small as
    // the default level and in about two thirds of the time.
    constexpr int pngQuality = 80;
    if (picture.isNull() || !picture.save(m_fileName, "PNG", pngQuality)) {
        emit finished(false,
                      tr("Cannot write the screenshot %1.")
                          .arg(QDir::toNativeSeparators(target.absoluteFilePath())));
        return;
    }
    if (!problem.isEmpty()) {
        emit finished(false, problem);
        return;
    }
    emit finished(true,
                  tr("Wrote %1 (%2x%3).")
                      .arg(QDir::toNativeSeparators(target.absoluteFilePath()))
                      .arg(picture.width())
                      .arg(picture.height()));
}

} // namespace Studio
