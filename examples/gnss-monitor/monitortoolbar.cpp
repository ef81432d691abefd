#include "monitortoolbar.h"

#include <QActionGroup>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

MonitorToolBar::MonitorToolBar(QWidget* parent)
    : QToolBar(tr("Plot tools"), parent)
{
    setObjectName(QStringLiteral("plotTools"));
    setMovable(false);
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setIconSize(QSize(20, 20));

    auto* modes = new QActionGroup(this);
    zoomAction = addAction(QIcon(QStringLiteral(":/pic/tp_zoom.png")), tr("Zoom"));
    zoomAction->setToolTip(tr("Drag a rectangle to zoom in"));
    panAction = addAction(QIcon(QStringLiteral(":/pic/tp_pan.png")), tr("Pan"));
    panAction->setToolTip(tr("Drag the view"));
    for (QAction* action : {zoomAction, panAction}) {
        action->setCheckable(true);
        modes->addAction(action);
    }
    zoomAction->setChecked(true);
    connect(zoomAction, &QAction::triggered, this, [this] { emit changeCursor(Qt::CrossCursor); });
    connect(panAction, &QAction::triggered, this, [this] { emit changeCursor(Qt::OpenHandCursor); });

    QAction* showAll = addAction(QIcon(QStringLiteral(":/pic/tp_showall_small.png")), tr("Show all"));
    showAll->setToolTip(tr("Show all data and follow new data again"));
    connect(showAll, &QAction::triggered, this, &MonitorToolBar::showFullPlot);

    trackingAction = addAction(QIcon(QStringLiteral(":/pic/tp_tracking.png")), tr("Track mouse"));
    trackingAction->setToolTip(tr("Show the coordinates under the mouse in the status bar"));
    trackingAction->setCheckable(true);
    trackingAction->setChecked(true);
    connect(trackingAction, &QAction::toggled, this, [this](bool on) {
        emit mouseTrackingOn(on);
        emit sendMouseCoords(on);
        if (!on)
            emit mouseCoordinatesChanged(QString());
    });

    addSeparator();
    addWidget(new QLabel(tr(" Time axis: "), this));
    timeAxisBox = new QComboBox(this);
    timeAxisBox->addItem(tr("GNSS time"), int(eSHOW_GNSS));
    timeAxisBox->addItem(tr("UTC"), int(eSHOW_UTC));
    timeAxisBox->addItem(tr("Local time"), int(eSHOW_LOCAL));
    timeAxisBox->addItem(tr("Time of week"), int(eSHOW_TOW));
    timeAxisBox->addItem(tr("Seconds"), int(eSHOW_SECONDS));
    timeAxisBox->setToolTip(tr("What the time axes show"));
    addWidget(timeAxisBox);
    connect(timeAxisBox, &QComboBox::currentIndexChanged, this, [this] { emit timeAxisChanged(timeType()); });

    // A dual-frequency receiver has 60 to 90 C/N0 curves: one band at a time
    // keeps them and their legend readable.
    addWidget(new QLabel(tr(" Band: "), this));
    bandBox = new QComboBox(this);
    bandBox->setToolTip(tr("Which frequency band the C/N0 plots show"));
    bandBox->setMinimumContentsLength(4);
    bandBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    addWidget(bandBox);
    connect(bandBox, &QComboBox::currentTextChanged, this, &MonitorToolBar::bandChanged);

    addSeparator();
    // The scope actions belong to the process-wide organizer; the menu only shows them.
    ViewSynchronizationOrganizer* organizer = ViewSynchronizationOrganizer::getInstance();
    auto* menu = new QMenu(this);
    for (int scope = ViewSynchronizer::ApplicationScope; scope <= ViewSynchronizer::NoScope; ++scope) {
        QAction* action = organizer->getEnablementAction(ViewSynchronizer::Scope(scope));
        menu->addAction(action);
        connect(action, &QAction::toggled, this, &MonitorToolBar::updateSynchronizationIcon);
    }
    menu->addSeparator();
    QAction* options = menu->addAction(QIcon(QStringLiteral(":/pic/timeplot_big.png")), tr("Options..."));
    connect(options, &QAction::triggered, this, &MonitorToolBar::synchronizationOptionsRequested);
    synchronizationButton = new QToolButton(this);
    synchronizationButton->setText(tr("Sync"));
    synchronizationButton->setToolTip(tr("Which time plots move together when one is zoomed or dragged"));
    synchronizationButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    synchronizationButton->setMenu(menu);
    synchronizationButton->setPopupMode(QToolButton::InstantPopup);
    addWidget(synchronizationButton);
    updateSynchronizationIcon();

    addSeparator();
    QAction* exportAction = addAction(tr("Export..."));
    exportAction->setToolTip(tr("Save the current plot as a PNG image, a PDF page or an SVG drawing, "
                                "rendered for print"));
    connect(exportAction, &QAction::triggered, this, &MonitorToolBar::exportRequested);
    QAction* printAction = addAction(tr("Print..."));
    printAction->setToolTip(tr("Print the current plot"));
    connect(printAction, &QAction::triggered, this, &MonitorToolBar::printRequested);
}

void MonitorToolBar::announceState()
{
    emit changeCursor(zoomAction->isChecked() ? Qt::CrossCursor : Qt::OpenHandCursor);
    emit mouseTrackingOn(trackingAction->isChecked());
    emit sendMouseCoords(trackingAction->isChecked());
}

QString MonitorToolBar::band() const
{
    return bandBox->currentText();
}

void MonitorToolBar::setBands(QStringList const& bands)
{
    const QString current = band();
    QStringList items;
    for (int i = 0; i < bandBox->count(); ++i)
        items.append(bandBox->itemText(i));
    if (items == bands)
        return;
    // The band in view stays in view when others appear.
    const QSignalBlocker blocker(bandBox);
    bandBox->clear();
    bandBox->addItems(bands);
    bandBox->setCurrentIndex(std::max<int>(0, int(bands.indexOf(current))));
    if (band() != current)
        emit bandChanged(band());
}

void MonitorToolBar::selectBand(QString const& band)
{
    const int index = bandBox->findText(band);
    if (index >= 0)
        bandBox->setCurrentIndex(index);
}

ETimeType MonitorToolBar::timeType() const
{
    return ETimeType(timeAxisBox->currentData().toInt());
}

void MonitorToolBar::drawMouseCoords(const QString xLabel, const QString yLabel)
{
    if (xLabel.isEmpty() && yLabel.isEmpty())
        emit mouseCoordinatesChanged(QString());
    else
        emit mouseCoordinatesChanged(QStringLiteral("%1   %2").arg(xLabel, yLabel));
}

void MonitorToolBar::updateSynchronizationIcon()
{
    ViewSynchronizationOrganizer* organizer = ViewSynchronizationOrganizer::getInstance();
    QAction* current = organizer->getEnablementAction(organizer->getCurrentEnabledScope());
    synchronizationButton->setIcon(current ? current->icon() : QIcon(QStringLiteral(":/pic/tp_sync_no.png")));
}
