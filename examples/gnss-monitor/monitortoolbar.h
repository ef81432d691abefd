#ifndef GNSSMONITOR_MONITORTOOLBAR_H
#define GNSSMONITOR_MONITORTOOLBAR_H

#include <zebplot/zebplot.h>

#include <QString>
#include <QStringList>
#include <QToolBar>

class QAction;
class QComboBox;
class QToolButton;

/// The monitor's tool bar.  The ready-made plot widgets take it as their
/// parent and connect, by signature, to its signals showFullPlot(),
/// changeCursor(Qt::CursorShape), mouseTrackingOn(bool), sendMouseCoords(bool)
/// and connectFirstLast(bool), and to its slot drawMouseCoords().
class MonitorToolBar : public QToolBar
{
    Q_OBJECT

public:
    explicit MonitorToolBar(QWidget* parent = nullptr);

    /// Sends the current cursor mode and tracking state to the plots; call
    /// once after the plots are connected.
    void announceState();
    ETimeType timeType() const;
    /// The band the C/N0 plots show; empty before any band is known.
    QString band() const;
    /// The bands there are data of, in the order to offer them.
    void setBands(QStringList const& bands);
    void selectBand(QString const& band);

signals:
    // Connected to by the plot widgets.
    void showFullPlot();
    void changeCursor(Qt::CursorShape shape);
    void mouseTrackingOn(bool on);
    void sendMouseCoords(bool on);
    void connectFirstLast(bool connect);

    // For the main window.
    void timeAxisChanged(ETimeType type);
    void bandChanged(QString const& band);
    void synchronizationOptionsRequested();
    void exportRequested();
    void printRequested();
    void mouseCoordinatesChanged(QString const& text);

public slots:
    void drawMouseCoords(const QString xLabel, const QString yLabel);

private:
    void updateSynchronizationIcon();

    QAction* zoomAction;
    QAction* panAction;
    QAction* trackingAction;
    QComboBox* timeAxisBox;
    QComboBox* bandBox;
    QToolButton* synchronizationButton;
};

#endif
