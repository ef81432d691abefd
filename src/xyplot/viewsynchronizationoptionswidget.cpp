#include "viewsynchronizationoptionswidget.h"

#include "memleaktracer.h"
#include "viewsynchronizationorganizer.h"
#include "viewsynchronizer.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QRadioButton>
#include <QVBoxLayout>

#include <initializer_list>
#include <utility>

ViewSynchronizationOptionsWidget::ViewSynchronizationOptionsWidget(QWidget* parent, bool offerFileScope)
    : QWidget(parent), offerFileScope(offerFileScope)
{
    MemLeakTracer::getInstance()->doAllocateObject("ViewSynchronizationOptionsWidget");
    setupWidgets();
    setWidgetContentsFromSettings();
}

ViewSynchronizationOptionsWidget::~ViewSynchronizationOptionsWidget()
{
    MemLeakTracer::getInstance()->doDeallocateObject("ViewSynchronizationOptionsWidget");
}

void ViewSynchronizationOptionsWidget::setupWidgets()
{
    if (buttonLayout)
        return; // built once; the buttons live as long as the page

    buttonLayout = new QVBoxLayout(this);
    noSynchronizationButton = new QRadioButton(tr("No view synchronization"), this);
    windowScopeButton = new QRadioButton(tr("Synchronize between time plots within a single window"), this);
    fileScopeButton = new QRadioButton(tr("Synchronize between time plots for the same file"), this);
    applicationScopeButton = new QRadioButton(tr("Synchronize between all time plots"), this);
    buttonLayout->addWidget(noSynchronizationButton);
    buttonLayout->addWidget(windowScopeButton);
    buttonLayout->addWidget(fileScopeButton);
    buttonLayout->addWidget(applicationScopeButton);
    if (!offerFileScope)
        fileScopeButton->hide();
}

void ViewSynchronizationOptionsWidget::setWidgetContentsFromSettings()
{
    if (!buttonLayout)
        return;
    switch (ViewSynchronizationOrganizer::getInstance()->getCurrentEnabledScope()) {
    case ViewSynchronizer::ApplicationScope:
        applicationScopeButton->setChecked(true);
        return;
    case ViewSynchronizer::FileScope:
        fileScopeButton->setChecked(true);
        return;
    case ViewSynchronizer::WindowScope:
        windowScopeButton->setChecked(true);
        return;
    case ViewSynchronizer::NoScope:
        noSynchronizationButton->setChecked(true);
        return;
    }
    // A scope outside the list (read from a settings file): no button may claim
    // it.  Radio buttons refuse to uncheck the last checked one of their group
    // unless they are taken out of the group for the moment.
    for (QRadioButton* button :
         {noSynchronizationButton, windowScopeButton, fileScopeButton, applicationScopeButton}) {
        button->setAutoExclusive(false);
        button->setChecked(false);
        button->setAutoExclusive(true);
    }
}

void ViewSynchronizationOptionsWidget::setSettingsFromWidgetContents()
{
    if (!buttonLayout)
        return;
    const std::pair<QRadioButton*, ViewSynchronizer::Scope> choices[] = {
        {noSynchronizationButton, ViewSynchronizer::NoScope},
        {windowScopeButton, ViewSynchronizer::WindowScope},
        {fileScopeButton, ViewSynchronizer::FileScope},
        {applicationScopeButton, ViewSynchronizer::ApplicationScope},
    };
    for (const auto& choice : choices) {
        if (choice.first->isChecked()) {
            ViewSynchronizationOrganizer::getInstance()->enableScope(choice.second);
            return;
        }
    }
}

void ViewSynchronizationOptionsWidget::accept()
{
    setSettingsFromWidgetContents();
    emit accepted();
}

QDialog* ViewSynchronizationOptionsWidget::turnIntoDialog(QWidget* parent)
{
    QDialog* dialog = new QDialog(parent);
    dialog->setWindowTitle(tr("Time Plot Synchronization Options"));
    dialog->setWindowFlags(dialog->windowFlags() & ~Qt::WindowContextHelpButtonHint);
    // A resource of the host application; without it the dialog has no icon.
    dialog->setWindowIcon(QIcon(QStringLiteral(":/pic/timeplot_big.png")));

    QDialogButtonBox* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    connect(buttons, SIGNAL(accepted()), this, SLOT(accept()));
    connect(this, SIGNAL(accepted()), dialog, SLOT(accept()));
    connect(buttons, SIGNAL(rejected()), dialog, SLOT(reject()));

    QGridLayout* grid = new QGridLayout(dialog);
    grid->addWidget(this, 0, 0);
    grid->addWidget(buttons, 1, 0);
    return dialog;
}
