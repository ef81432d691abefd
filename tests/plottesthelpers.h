#ifndef ZEBPLOT_TESTS_PLOTTESTHELPERS_H
#define ZEBPLOT_TESTS_PLOTTESTHELPERS_H

// Fixtures shared by the legend and plot tests: data sets, colour bars with
// legend texts, and a watcher that closes (and counts) modal message boxes.

#include <zebplot/zebplot.h>

#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QTimer>

inline XYDataSet* makeDataSet(QString const& name, int points, QColor color = Qt::blue,
                              E_SYMBOL symbol = SYMBOL_NONE, Qt::PenStyle pen = Qt::SolidLine, int thickness = 1)
{
    auto* dataSet = new XYDataSet(new DataArrayTemplate<double>(), new DataArrayTemplate<double>(), name, color,
                                  symbol, pen, thickness, nullptr);
    for (int i = 0; i < points; ++i)
        dataSet->append(i, (i % 7) - 3);
    return dataSet;
}

/// A colour bar with one legend text per colour, listed in this order, and a
/// ColorBarDrawListener; every colour occurs in the data.
inline XYDataSet* makeColorBar(QString const& name, QList<QColor> const& colors, QStringList const& texts,
                               int offset = -10, int thickness = 6)
{
    XYDataSet* bar = makeDataSet(name, 0, colors.value(0, Qt::green), SYMBOL_NONE, Qt::SolidLine, thickness);
    Look* look = bar->getLook();
    look->setColorBar(offset);
    look->setMustIncludeAllEntriesInLegend(true);
    for (int i = 0; i < colors.size(); ++i)
        look->setLegendText(Look::Entry(colors[i], SYMBOL_NONE, Qt::SolidLine, thickness), texts.value(i),
                            Look::Color);
    for (int i = 0; i < 10 * colors.size(); ++i) {
        if (i % 10 == 0)
            look->changeFromLast(colors[i / 10], SYMBOL_NONE, Qt::SolidLine, thickness);
        bar->append(i, i / 10);
    }
    bar->setDrawListener(new ColorBarDrawListener(bar));
    return bar;
}

/// Closes every modal message box that appears while it lives and records
/// the title of each.
class MessageBoxWatcher : public QObject
{
public:
    QStringList titles;

    MessageBoxWatcher()
    {
        connect(&poll, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                titles.append(box->windowTitle());
                box->done(QMessageBox::Ok);
            }
        });
        poll.start(10);
    }

private:
    QTimer poll;
};

inline QRect inkBox(QImage const& image, QColor ink)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == ink)
                box |= QRect(x, y, 1, 1);
    return box;
}

#endif
