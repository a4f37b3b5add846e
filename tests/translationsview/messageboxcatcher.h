#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

// Closes every message box that opens while it lives and writes down its
// title and text, so failures shown to the user can be checked without anyone
// clicking.
class MessageBoxCatcher : public QObject
{
public:
    MessageBoxCatcher()
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen.append(box->windowTitle() + QLatin1Char('|') + box->text());
                icons.append(box->icon());
                box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click()
                                             : box->reject();
            }
        });
        m_timer.start();
    }

    QStringList seen;
    QList<QMessageBox::Icon> icons;

private:
    QTimer m_timer;
};
