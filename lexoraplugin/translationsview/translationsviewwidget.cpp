#include "translationsview/translationsviewwidget.h"

#include "translationsview/translationssearchwidget.h"
#include "translationsview/translationswidget.h"

#include <projects/session.h>
#include <qmlproject/multilanguagesetting.h>

#include <QGridLayout>
#include <QMessageBox>
#include <QTabWidget>

namespace Lexora {

TranslationsViewWidget::TranslationsViewWidget(TranslationsView *view, QWidget *parent)
    : QFrame(parent),
      m_translationsWidget(new TranslationsWidget(view)),
      m_view(view),
      m_searchWidget(new TranslationsSearchWidget(view)),
      m_tabWidget(new QTabWidget(this))
{
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabWidget, 0, 0);
    m_tabWidget->addTab(m_translationsWidget, tr("Translations"));
    m_tabWidget->addTab(m_searchWidget, tr("Search Translations"));
}

TranslationsViewWidget::~TranslationsViewWidget() = default;

void TranslationsViewWidget::showEvent(QShowEvent *event)
{
    QFrame::showEvent(event);

    auto *setting = Host::QmlProject::MultiLanguageSetting::forProject(
        Host::Projects::Session::instance()->startupProject());
    if (!setting || setting->value())
        return;
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this,
        tr("Use of Lexora database is disabled."),
        tr("Use of Lexora database is disabled in project settings. Without this setting any "
           "change will not be shown in running previews. This will stop any current running "
           "preview. Should it be enabled, now?"),
        QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes)
        setting->setValue(true);
}

} // namespace Lexora
