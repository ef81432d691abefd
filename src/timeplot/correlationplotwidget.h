#ifndef ZEBPLOT_CORRELATIONPLOTWIDGET_H
#define ZEBPLOT_CORRELATIONPLOTWIDGET_H

#include "zebplot_export.h"

#include "toolbarplotwidget.h"

class XYDataSet;

/// Two correlation curves (normalized amplitude in percent against lag in
/// chips) in a fixed window of ±1.5 chips and ±150 %.  The red vertical marker
/// shows a current lag.  Besides the four common tool-bar signals, the tool
/// bar's connectFirstLast(bool) is passed on to the plot.
class ZEBPLOT_EXPORT CorrelationPlotWidget : public ToolBarPlotWidget
{
    Q_OBJECT

public:
    /// Creates its plot with the two data sets (not owned) and a checkable legend, with the window fixed.
    CorrelationPlotWidget(XYDataSet* first, XYDataSet* second, QWidget* toolBar);
    ~CorrelationPlotWidget() override;

    /// Moves the vertical marker to x and redraws the plot.
    void updatePlot(double x);
    /// The first data set given at construction.
    XYDataSet* getFirstDataSet() const;

signals:
    /// Declared for connections by name; the widget itself does not emit it.
    void showFullPlot();

protected:
    /// Not owned.
    XYDataSet* firstDataSet;

private:
    Q_DISABLE_COPY(CorrelationPlotWidget)
};

#endif
