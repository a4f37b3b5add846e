#pragma once

#include <core/workbench.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <functional>

// Calls `answer` with the next modal window once it shows, as a user would
// answer it. Each window is answered once: a window closed a moment ago stays
// the active modal widget until its event loop has unwound.
inline void whenModal(std::function<void(QWidget *)> answer)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal->property("answeredByTest").toBool())
            return;
        modal->setProperty("answeredByTest", true);
        timer->stop();
        timer->deleteLater();
        answer(modal);
    });
    timer->start();
}

// Closes every message box that opens while it lives and writes down its
// title and text, so failures shown to the user can be checked without anyone
// clicking. A box must offer just OK and belong to the main window (when there
// is one); a box that does not still gets closed, so the test fails instead of
// hanging.
class MessageBoxCatcher : public QObject
{
public:
    MessageBoxCatcher()
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            titles.append(box->windowTitle());
            texts.append(box->text());
            seen.append(box->windowTitle() + QLatin1Char('|') + box->text());
            icons.append(box->icon());
            // Checked without returning, so that the box still gets closed.
            const auto check = [box](bool ok, const char *what) {
                QTest::qVerify(ok, what, qPrintable(box->text()), __FILE__, __LINE__);
            };
            check(box->standardButtons() == QMessageBox::Ok, "only an OK button");
            check(box->parentWidget() == Host::Core::Workbench::dialogParent(),
                  "parented to the main window");
            if (QAbstractButton *ok = box->button(QMessageBox::Ok))
                ok->click();
            else
                box->reject();
        });
        m_timer.start();
    }

    QStringList seen; // "title|text"
    QStringList titles;
    QStringList texts;
    QList<QMessageBox::Icon> icons;

private:
    QTimer m_timer;
};
