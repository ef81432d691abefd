#ifndef ZEBPLOT_XYLEGEND_H
#define ZEBPLOT_XYLEGEND_H

#include "zebplot_export.h"

#include "legendgrid.h"
#include "plottypes.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QTimer>
#include <QFont>
#include <QWidget>

#include <vector>

class LookLegend;
class QAction;
class QBoxLayout;
class QCheckBox;
class QFrame;
class QLabel;
class QMenu;
class QPainter;
class QSignalMapper;
class XYDataSet;

/// The legend of a plot: one row per data set of the plot's list with a symbol
/// picture, the name and, when checkable, a check box that shows and hides the
/// data set; a LookLegend per visible colour-bar data set; and a picture of
/// itself for plots rendered into a pixmap.
///
/// LEGEND_BOTTOM and LEGEND_RIGHT lay the rows out in a grid that is split into
/// column groups when the available height is too small (grid mode);
/// LEGEND_DETACHED builds no widgets and offers the data sets as (checkable)
/// actions of a menu the host supplies (menu mode).
///
/// The legend reads the plot's list through a pointer and never owns the data
/// sets.  update() brings it in step with the list; check states come from the
/// data sets' visibility flags, so they survive rebuilds.  The row widgets of
/// a data set live on from one rebuild to the next (only its picture and name
/// are refreshed when they changed), so that adding a series to a legend of
/// a thousand costs about one row, not a thousand.
class ZEBPLOT_EXPORT XYLegend : public QWidget
{
    Q_OBJECT

public:
    /// A legend of the data sets in *dataSets (the list stays the caller's and must outlive the
    /// legend).  checkable adds check boxes (and, from four rows, "All"/"None") or checkable actions.  menu (not
    /// owned) receives the actions for LEGEND_DETACHED.  availableHeight, in pixels, decides how many
    /// rows fit in one column before the grid splits.  Call update() to fill it.
    XYLegend(QList<XYDataSet*>* dataSets, bool checkable, E_LEGEND_POSITION position, QMenu* menu,
             int availableHeight, QWidget* parent);
    /// Deletes the legend's widgets; the data sets and the menu stay.
    ~XYLegend() override;

    /// The symbol picture of the data set at dataSetIndex, in the appearance of
    /// its newest point, optionally followed by its name.
    QPixmap createPixmap(int dataSetIndex, QColor background, bool withText);
    /// Draws the symbol of createPixmap(dataSetIndex, background, false)
    /// without the background, its top-left corner at the painter's origin
    /// (the painter's pen changes), and returns that picture's size; an
    /// empty size and nothing drawn for an index out of range.
    QSize drawSymbol(QPainter* painter, int dataSetIndex);
    /// Replaces the colour-bar legends by fresh ones for the visible colour-bar
    /// data sets (and a visible data set named "Overall quality").
    void updateColorBarLegends();
    /// The LookLegend showing the data set's look, or null.
    LookLegend* getColorBarLegend(XYDataSet* dataSet);
    /// A printable picture of the legend that fits into size, or a null pixmap
    /// when there is nothing to show.  Fonts shrink down to 4 points to fit.
    QPixmap drawLegendToPixmap(QSize size);
    /// The size of the picture drawLegendToPixmap(size) would return (empty
    /// when it would return a null pixmap), with the same warning when the
    /// legend must be cropped.
    QSize legendPictureSize(QSize size);
    /// Draws that picture with the painter, its top-left corner at the origin,
    /// without a background: on a vector device the texts stay texts.
    void drawLegendPicture(QPainter* painter, QSize size);

    /// Draws an E_SYMBOL of half size r around centre with the painter's pen,
    /// in ordinary downward coordinates; values outside 1..10 draw nothing.
    /// Shared with LookLegend, whose entry pictures look the same.
    static void drawLegendSymbol(QPainter* painter, int symbol, QPoint centre, int r);

    /// The position given at construction.
    E_LEGEND_POSITION getPosition() const;
    /// Whether rows have check boxes (or actions are checkable).
    bool isCheckable() const;
    /// Entry check boxes of the last grid-mode rebuild, in display order.  A
    /// data set keeps its box across rebuilds.
    QList<QCheckBox*> getCheckBoxes() const;
    /// Actions of the last menu-mode rebuild; action i belongs to data set i.
    QList<QAction*> getActions() const;
    /// The "All" and "None" boxes of a checkable grid legend showing four or more rows; null otherwise.
    ///@{
    QCheckBox* getAllCheckBox() const;
    QCheckBox* getNoneCheckBox() const;
    ///@}
    /// The frame holding the entry widgets in grid mode.
    QFrame* getFrame() const;

    /// Heading of the legend; empty for none.  The owning plot writes it
    /// directly ("Datasets" when a colour bar is shown).
    QString title;

signals:
    /// A data set's visibility or a colour-bar filter changed: redraw.
    void dataSetVisibilityChanged();

public slots:
    /// Rebuilds the legend from the data-set list.  Hides QWidget::update on
    /// purpose: a legend "update" is a rebuild.
    void update();
    /// Rebuilds 200 ms after the last of a burst of calls.
    void updateLater();
    /// Applies the check box or action of a data set to its visibility.
    /// Sets the data set's visible flag from its check box or action and emits dataSetVisibilityChanged().
    void toggled(int dataSetIndex);
    /// Reacts to a check of "All" or "None".
    /// Checking "All" checks every row, checking "None" unchecks every row (each then reports through toggled()).
    void allOrNoneCBToggled();

protected:
    /// The fonts, line spacing and size at which the legend picture fits (or
    /// is cropped: fits false).
    struct PictureFit
    {
        QFont headingFont; ///< the legend title and the headings of colour-bar data sets
        QFont entryFont;   ///< one row per data set or look entry
        int spacing = 0;   ///< pixels between rows
        QSize size;        ///< the picture's size, at most the size asked for
        bool fits = false; ///< false: even the smallest fonts crop the picture
    };
    /// The largest fonts (down to the smallest readable ones) at which every
    /// entry fits into size; measures only, draws nothing.
    PictureFit fitPicture(QSize size);
    /// Tells the user, at most once in a while, that the picture is cropped.
    void warnWhenCropped(PictureFit const& fit);
    /// Draws the picture measured by fitPicture() at the painter's origin.
    void paintPicture(QPainter* painter, PictureFit const& fit);

    /// What the symbol picture of a data set shows: the appearance of its
    /// newest point (the look's defaults while it is empty) in the current
    /// settings, on a background.
    struct Picture
    {
        /// Appearance (colour, E_SYMBOL, pen width in pixels, Qt::PenStyle, symbol half size),
        /// geometry in pixels and background the picture is drawn with.
        ///@{
        QRgb color = 0;
        int symbol = -1;
        int thickness = 0;
        int penStyle = 0;
        int halfSize = 0;
        int symbolWidth = 0;
        int textGap = 0;
        int height = 0;
        QRgb background = 0;
        ///@}
        /// Equal pictures need no redrawing.
        bool operator==(Picture const& other) const;
    };
    /// Draws the symbol and line of parts at the painter's origin, with a pen of their appearance.
    static void drawPictureSymbol(QPainter* painter, Picture const& parts);
    /// The widgets of one data set's row in grid mode, and what they show.
    struct Row
    {
        /// The data set and its position in the list, and the row's widgets (owned by the legend).
        ///@{
        XYDataSet* dataSet = nullptr;
        int listIndex = -1;
        QLabel* spacer = nullptr;
        QCheckBox* box = nullptr;
        QLabel* picture = nullptr;
        QLabel* name = nullptr;
        ///@}
        /// What the widgets show, kept here so that a rebuild need not ask them.
        ///@{
        QString shownName;
        bool shownVisible = false;
        Picture shown;
        ///@}
    };

    /// The two halves of update(): actions of the host's menu (LEGEND_DETACHED) or the grid of rows.
    ///@{
    void rebuildMenu();
    void rebuildGrid();
    ///@}
    /// The steps of rebuildGrid(): drop the grid when there is no list, create the frame, list the
    /// data sets shown (filling indexMap), place the title and the All/None boxes (returning how many
    /// rows they take), split the rows into columns, match the rows of the last rebuild to the data
    /// sets shown (the row taken over for each, -1 for a new one), and bring the rows up to date in
    /// their place.
    ///@{
    void dropGrid();
    void ensureFrame();
    QList<int> shownInGrid();
    int placeHeader(int shownCount, std::vector<LegendGrid::Cell>& cells);
    int rowsPerColumn(int headerRows) const;
    QList<qsizetype> matchRows(QList<int> const& shown) const;
    QList<Row> placeRows(QList<int> const& shown, QList<qsizetype> const& taken, int headerRows,
                         std::vector<LegendGrid::Cell>& cells);
    Row newRow(XYDataSet* dataSet);
    void refreshRow(Row& entry, int listIndex, int pictureHeight, QColor const& background);
    ///@}
    /// The picture of the data set for a legend font of the given height.
    static Picture pictureOf(XYDataSet* dataSet, int height, QColor background);
    /// Deletes the widgets of a row.
    static void deleteRow(Row const& row);

    /// Construction arguments, layouts and widgets (owned through Qt parenthood), the rows and
    /// check boxes of the last rebuild, the colour-bar legends, the mapping from data-set index to
    /// check box (indexMap) and the timer behind updateLater().
    ///@{
    QList<XYDataSet*>* dataSets;
    bool checkable;
    E_LEGEND_POSITION position;
    QMenu* menu;
    int availableHeight;
    QBoxLayout* outerBox = nullptr;
    QBoxLayout* entryBox = nullptr;
    QBoxLayout* colorBarBox = nullptr;
    QFrame* frame = nullptr;
    LegendGrid* grid = nullptr;
    QLabel* heading = nullptr;
    QList<Row> rows;
    QList<QCheckBox*> checkBoxes;
    QList<QAction*> actions;
    QCheckBox* allCheckBox = nullptr;
    QCheckBox* noneCheckBox = nullptr;
    bool synchronizeAllNone = true;
    QList<QPointer<LookLegend>> colorBarLegends;
    QSignalMapper* signalMapper;
    QHash<int, int> indexMap;
    QTimer timer;
    ///@}
};

#endif
