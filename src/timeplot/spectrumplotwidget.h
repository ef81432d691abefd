#ifndef ZEBPLOT_SPECTRUMPLOTWIDGET_H
#define ZEBPLOT_SPECTRUMPLOTWIDGET_H

#include "zebplot_export.h"

#include "plottypes.h"
#include "toolbarplotwidget.h"

#include <QList>
#include <QString>
#include <utility>

struct BandMarker_t;
class XYDataSet;

/// Power spectra (dB against MHz) over shaded bands of the satellite-navigation
/// signals, plus narrow shaded bands for lines the host names (interference,
/// for instance).  The red vertical marker shows a current frequency.
class ZEBPLOT_EXPORT SpectrumPlotWidget : public ToolBarPlotWidget
{
    Q_OBJECT

public:
    /// Creates its plot ("Power (dB)" against "Frequency (MHz)") with a checkable legend at the right, wired to
    /// toolBar.
    explicit SpectrumPlotWidget(QWidget* toolBar = nullptr);
    /// Takes the signal and line bands out of the plot and deletes them.
    ~SpectrumPlotWidget() override;

    /// Moves the vertical marker to x and redraws the plot.
    void updatePlot(double x);
    /// XYPlot::setAxisTitle() of the plot.
    void setAxisTitle(E_ORIENTATION_TYPE orientation, QString title);
    /// Adds a spectrum and fixes the data bounds to x minX..maxX, y minY..maxY
    /// (note the parameter order).
    void addDataSet(XYDataSet* dataSet, unsigned int minX, unsigned int minY, unsigned int maxX,
                    unsigned int maxY);
    /// Shows the nine signal bands (created on the first call) and replaces the
    /// line bands by one band of ±0.1 MHz per (frequency, label) pair.
    void addSpectrumBands(QList<std::pair<double, QString>> lines);

    /// The band records shown, owned by this widget.
    ///@{
    QList<BandMarker_t*> const& getSignalBands() const;
    QList<BandMarker_t*> const& getLineBands() const;
    ///@}

signals:
    /// Declared for connections by name; the widget itself does not emit it.
    void showFullPlot();

protected:
    /// The signal bands and line bands (owned).
    ///@{
    QList<BandMarker_t*> signalBands;
    QList<BandMarker_t*> lineBands;
    ///@}

private:
    Q_DISABLE_COPY(SpectrumPlotWidget)
};

#endif
