#pragma once

#include <core/workbench.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTest>
#include <QTimer>

// Closes every message box that opens while it lives and writes down its
// title and text, so failures shown to the user can be checked without anyone
// clicking. A box must offer just OK and belong to the main window; a box that
// does not still gets closed, so the test fails instead of hanging.
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
            seen.append(box->windowTitle() + QLatin1Char('|') + box->text());
            icons.append(box->icon());
            QTest::qVerify(box->standardButtons() == QMessageBox::Ok,
                           "box->standardButtons() == QMessageBox::Ok",
                           qPrintable(box->text()),
                           __FILE__,
                           __LINE__);
            QTest::qVerify(box->parentWidget()
                               && box->parentWidget() == Host::Core::Workbench::dialogParent(),
                           "box->parentWidget() == Host::Core::Workbench::dialogParent()",
                           qPrintable(box->text()),
                           __FILE__,
                           __LINE__);
            if (QAbstractButton *ok = box->button(QMessageBox::Ok))
                ok->click();
            else
                box->reject();
        });
        m_timer.start();
    }

    QStringList seen;
    QList<QMessageBox::Icon> icons;

private:
    QTimer m_timer;
};
