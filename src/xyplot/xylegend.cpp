#include "xylegend.h"

#include "dataarray.h"
#include "legendgrid.h"
#include "look.h"
#include "looklegend.h"
#include "memleaktracer.h"
#include "plotrendersettings.h"
#include "vectorshaperecorder.h"
#include "xydataset.h"

#include <QAction>
#include <QBoxLayout>
#include <QCheckBox>
#include <QDateTime>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <QSignalBlocker>
#include <QSignalMapper>

#include <algorithm>

namespace {

const int kRebuildDelayMs = 200;
const int kBoxSpacing = 20;
const QString kBarSuffix = QStringLiteral(" Bar");
const QString kSpacerText = QStringLiteral("       ");
const QString kOverallQuality = QStringLiteral("Overall quality");
// The smallest point size tried when the legend picture must shrink to fit.
const int kSmallestPointSize = 4;
// A failure to fit warns again only after this many whole seconds.
const int kWarningPauseSeconds = 61;

// When the legend picture last failed to fit: one time stamp for the whole
// process, so that a series of renderings warns once and not per plot.
QDateTime lastFitFailure;

QString withoutBarSuffix(const QString& name)
{
    return name.endsWith(kBarSuffix, Qt::CaseSensitive) ? name.chopped(kBarSuffix.size()) : name;
}

bool isShownInGrid(XYDataSet* dataSet)
{
    return dataSet->yData->hasValidValues() || dataSet->getShowInLegendEvenIfEmpty();
}

// Visible and with something to show: the data sets of the printed legend.
bool isPrinted(XYDataSet* dataSet)
{
    return dataSet->visible && dataSet->yData->hasValidValues();
}

} // namespace

XYLegend::XYLegend(QList<XYDataSet*>* dataSets, bool checkable, E_LEGEND_POSITION position, QMenu* menu,
                   int availableHeight, QWidget* parent)
    : QWidget(parent),
      dataSets(dataSets),
      checkable(checkable),
      position(position),
      menu(menu),
      availableHeight(availableHeight),
      signalMapper(new QSignalMapper())
{
    MemLeakTracer::getInstance()->doAllocateObject("XYLegend");
    if (position != LEGEND_DETACHED) {
        const QBoxLayout::Direction direction =
            position == LEGEND_BOTTOM ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom;
        outerBox = new QBoxLayout(direction);
        outerBox->setSpacing(kBoxSpacing);
        setLayout(outerBox);
        entryBox = new QVBoxLayout();
        colorBarBox = new QBoxLayout(direction);
        colorBarBox->setSpacing(kBoxSpacing);
        outerBox->addLayout(entryBox);
        outerBox->addLayout(colorBarBox);
    }
    connect(signalMapper, &QSignalMapper::mappedInt, this, &XYLegend::toggled);
    timer.setSingleShot(true);
    timer.setInterval(kRebuildDelayMs);
    connect(&timer, &QTimer::timeout, this, &XYLegend::update);
    update();
}

XYLegend::~XYLegend()
{
    MemLeakTracer::getInstance()->doDeallocateObject("XYLegend");
    delete frame;
    delete grid;
    qDeleteAll(actions);
    delete signalMapper;
}

E_LEGEND_POSITION XYLegend::getPosition() const
{
    return position;
}

bool XYLegend::isCheckable() const
{
    return checkable;
}

QList<QCheckBox*> XYLegend::getCheckBoxes() const
{
    return checkBoxes;
}

QList<QAction*> XYLegend::getActions() const
{
    return actions;
}

QCheckBox* XYLegend::getAllCheckBox() const
{
    return allCheckBox;
}

QCheckBox* XYLegend::getNoneCheckBox() const
{
    return noneCheckBox;
}

QFrame* XYLegend::getFrame() const
{
    return frame;
}

void XYLegend::update()
{
    if (position == LEGEND_DETACHED)
        rebuildMenu();
    else
        rebuildGrid();
}

void XYLegend::updateLater()
{
    timer.start();
}

void XYLegend::rebuildMenu()
{
    if (!menu || !dataSets)
        return;
    // The actions belong to the legend, so clearing the menu only removes
    // them; they are deleted here, which also drops their mapper entries.
    menu->clear();
    qDeleteAll(actions);
    actions.clear();

    const QColor background = palette().color(palette().currentColorGroup(), QPalette::Window);
    for (int i = 0; i < dataSets->size(); ++i) {
        XYDataSet* dataSet = dataSets->at(i);
        // A name is data (from a file or a receiver): an ampersand in it is
        // text, not the mark of a shortcut.
        const QString text = withoutBarSuffix(dataSet->name).replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* action = new QAction(QIcon(createPixmap(i, background, false)), text, this);
        if (checkable) {
            action->setCheckable(true);
            action->setChecked(dataSet->visible);
            connect(action, &QAction::toggled, signalMapper, qOverload<>(&QSignalMapper::map));
            signalMapper->setMapping(action, i);
        }
        actions.append(action);
        menu->addAction(action);
    }
}

void XYLegend::deleteRow(Row const& row)
{
    delete row.spacer;
    delete row.box;
    delete row.picture;
    delete row.name;
}

bool XYLegend::Picture::operator==(Picture const& other) const
{
    return color == other.color && symbol == other.symbol && thickness == other.thickness
        && penStyle == other.penStyle && halfSize == other.halfSize && symbolWidth == other.symbolWidth
        && textGap == other.textGap && height == other.height && background == other.background;
}

XYLegend::Picture XYLegend::pictureOf(XYDataSet* dataSet, int height, QColor background)
{
    Look* look = dataSet->getLook();
    const PlotRenderSettings_t* settings = getPlotRenderSettings();
    const int n = dataSet->yData->dataSize();
    Picture picture;
    const E_SYMBOL symbol = n < 1 ? look->getDefaultSymbol() : look->getSymbol(n - 1);
    int thickness = n < 1 ? look->getDefaultLineThickness() : look->getLineThickness(n - 1);
    thickness *= look->isColorBar() ? settings->colorBarWidthFactor : settings->lineWidthFactor;
    const QColor color = (n < 1 || look->useDefaultColorInLegend()) ? look->getDefaultColor() : look->getColor(n - 1);
    picture.color = color.rgba();
    picture.symbol = symbol;
    picture.thickness = thickness;
    picture.penStyle = n < 1 ? look->getDefaultPenStyle() : look->getPenStyle(n - 1);
    if (symbol >= SYMBOL_PLUS && symbol <= SYMBOL_DIAMOND)
        picture.halfSize = look->getSymbolSize() / 2;
    else if (symbol == SYMBOL_DOT)
        picture.halfSize = thickness;
    picture.symbolWidth = settings->legendIconSize;
    picture.textGap = settings->legendIconMargin;
    picture.height = height;
    picture.background = background.rgba();
    return picture;
}

void XYLegend::rebuildGrid()
{
    indexMap.clear();
    if (!dataSets) {
        dropGrid();
        return;
    }
    ensureFrame();
    std::vector<LegendGrid::Cell> cells;
    const QList<int> shown = shownInGrid();
    const int headerRows = placeHeader(int(shown.size()), cells);
    const QList<qsizetype> taken = matchRows(shown);
    QList<Row> next = placeRows(shown, taken, headerRows, cells);
    QList<bool> reused(rows.size(), false);
    for (qsizetype k : taken)
        if (k >= 0)
            reused[k] = true;
    for (qsizetype k = 0; k < rows.size(); ++k) {
        if (!reused.at(k))
            deleteRow(rows.at(k));
    }
    rows = std::move(next);
    grid->place(cells);

    if (allCheckBox && noneCheckBox)
        toggled(2);
    updateColorBarLegends();
}

void XYLegend::dropGrid()
{
    delete frame;
    delete grid;
    frame = nullptr;
    grid = nullptr;
    heading = nullptr;
    allCheckBox = noneCheckBox = nullptr;
    rows.clear();
    checkBoxes.clear();
}

void XYLegend::ensureFrame()
{
    if (frame)
        return;
    frame = new QFrame(this);
    grid = new LegendGrid(frame, 0, 0, 0);
    // A legend given more width than it needs (aligned with the legends of
    // other plots, say) keeps its entries packed to the left.
    entryBox->addWidget(frame, 0, Qt::AlignLeft);
    frame->setFrameShadow(QFrame::Raised);
    const int count = outerBox->count();
    if (count == 0 || !outerBox->itemAt(count - 1)->spacerItem())
        outerBox->addStretch();
}

QList<int> XYLegend::shownInGrid()
{
    QList<int> shown;
    for (int i = 0; i < dataSets->size(); ++i) {
        if (isShownInGrid(dataSets->at(i))) {
            indexMap.insert(i, int(shown.size()));
            shown.append(i);
        }
    }
    return shown;
}

int XYLegend::placeHeader(int shownCount, std::vector<LegendGrid::Cell>& cells)
{
    int headerRows = 0;
    if (!title.isEmpty()) {
        const QString text = QStringLiteral("<center><b><u>%1</u></b></center>").arg(title.toHtmlEscaped());
        if (!heading)
            heading = new QLabel(frame);
        if (heading->text() != text)
            heading->setText(text);
        cells.push_back({heading, 0, 1, 1, 3});
        headerRows = 1;
    } else {
        delete heading;
        heading = nullptr;
    }
    if (shownCount >= 4 && checkable) {
        if (!allCheckBox) {
            allCheckBox = new QCheckBox(tr("All"), frame);
            noneCheckBox = new QCheckBox(tr("None"), frame);
            connect(allCheckBox, &QCheckBox::stateChanged, this, &XYLegend::allOrNoneCBToggled);
            connect(noneCheckBox, &QCheckBox::stateChanged, this, &XYLegend::allOrNoneCBToggled);
        }
        cells.push_back({allCheckBox, headerRows, 1, 1, 3});
        cells.push_back({noneCheckBox, headerRows + 1, 1, 1, 3});
        headerRows += 2;
    } else {
        delete allCheckBox;
        delete noneCheckBox;
        allCheckBox = nullptr;
        noneCheckBox = nullptr;
    }
    return headerRows;
}

int XYLegend::rowsPerColumn(int headerRows) const
{
    // As few column groups as keep every column within the available height.
    // All data sets count, shown or not, so the split does not jump while data
    // sets fill up.
    const int fontHeight = std::max(1, QFontMetrics(font()).height());
    const int capacity = availableHeight / fontHeight;
    const int total = int(dataSets->size()) + headerRows;
    if (total <= capacity)
        return capacity;
    // Less than two rows of text (typically no minimum height known): no
    // split, one column.
    if (capacity < 2)
        return std::max(total, 1);
    for (int k = 2;; ++k) {
        const int height = total / k + total % k;
        if (height < capacity)
            return height;
    }
}

QList<qsizetype> XYLegend::matchRows(QList<int> const& shown) const
{
    // In the same order as before as a rule (series are added at the end), by
    // a look-up otherwise (a data set may be listed twice).
    QMultiHash<XYDataSet*, qsizetype> previous;
    qsizetype inOrder = 0;
    QList<bool> reused(rows.size(), false);
    auto takeRow = [&](XYDataSet* dataSet) -> qsizetype {
        if (inOrder < rows.size() && rows.at(inOrder).dataSet == dataSet && !reused.at(inOrder))
            return inOrder++;
        if (previous.isEmpty()) {
            for (qsizetype k = rows.size() - 1; k >= 0; --k) {
                if (!reused.at(k))
                    previous.insert(rows.at(k).dataSet, k);
            }
        }
        while (true) {
            const auto found = previous.find(dataSet);
            if (found == previous.end())
                return -1;
            const qsizetype k = found.value();
            previous.erase(found);
            if (!reused.at(k))
                return k;
        }
    };
    QList<qsizetype> taken;
    taken.reserve(shown.size());
    for (int listIndex : shown) {
        const qsizetype k = takeRow(dataSets->at(listIndex));
        if (k >= 0)
            reused[k] = true;
        taken.append(k);
    }
    return taken;
}

QList<XYLegend::Row> XYLegend::placeRows(QList<int> const& shown, QList<qsizetype> const& taken, int headerRows,
                                         std::vector<LegendGrid::Cell>& cells)
{
    const int perColumn = rowsPerColumn(headerRows);
    QList<Row> next;
    next.reserve(shown.size());
    cells.reserve(cells.size() + 4 * shown.size());
    checkBoxes.clear();
    const QColor background = palette().color(palette().currentColorGroup(), QPalette::Window);
    const int pictureHeight = QFontMetrics(font()).height();
    int row = headerRows;
    int column = 0;
    for (int j = 0; j < shown.size(); ++j) {
        if (j > 0 && (headerRows + j) % perColumn == 0) {
            column += checkable ? 4 : 3;
            row = 0;
        }
        const int listIndex = shown.at(j);
        Row entry = taken.at(j) >= 0 ? rows.at(taken.at(j)) : newRow(dataSets->at(listIndex));
        refreshRow(entry, listIndex, pictureHeight, background);
        if (column > 0) {
            if (!entry.spacer)
                entry.spacer = new QLabel(kSpacerText, frame);
            cells.push_back({entry.spacer, row, column});
        } else {
            delete entry.spacer;
            entry.spacer = nullptr;
        }
        if (entry.box)
            cells.push_back({entry.box, row, column + 1});
        cells.push_back({entry.picture, row, column + 2});
        cells.push_back({entry.name, row, column + 3});
        next.append(entry);
        ++row;
    }
    return next;
}

XYLegend::Row XYLegend::newRow(XYDataSet* dataSet)
{
    Row entry;
    entry.dataSet = dataSet;
    if (checkable) {
        entry.box = new QCheckBox(frame);
        entry.box->setChecked(dataSet->visible);
        entry.shownVisible = dataSet->visible;
        connect(entry.box, &QCheckBox::toggled, signalMapper, qOverload<>(&QSignalMapper::map));
    }
    entry.picture = new QLabel(frame);
    entry.picture->setAlignment(Qt::AlignLeft);
    entry.name = new QLabel(frame);
    // Names come from files and receivers: shown as they are, never as markup.
    entry.name->setTextFormat(Qt::PlainText);
    entry.name->setAlignment(Qt::AlignLeft);
    return entry;
}

void XYLegend::refreshRow(Row& entry, int listIndex, int pictureHeight, QColor const& background)
{
    XYDataSet* dataSet = dataSets->at(listIndex);
    if (entry.box) {
        if (entry.listIndex != listIndex)
            signalMapper->setMapping(entry.box, listIndex);
        if (entry.shownVisible != dataSet->visible) {
            // The host changed the flag itself: show it, report nothing.
            const QSignalBlocker blocker(entry.box);
            entry.box->setChecked(dataSet->visible);
            entry.shownVisible = dataSet->visible;
        }
        checkBoxes.append(entry.box);
    }
    entry.listIndex = listIndex;
    if (entry.shownName != dataSet->name || entry.shownName.isNull()) {
        entry.name->setText(dataSet->name);
        entry.shownName = dataSet->name;
    }
    const Picture picture = pictureOf(dataSet, pictureHeight, background);
    if (!(picture == entry.shown)) {
        entry.picture->setPixmap(createPixmap(listIndex, background, false));
        entry.shown = picture;
    }
}

void XYLegend::toggled(int dataSetIndex)
{
    if (position == LEGEND_DETACHED) {
        if (dataSets && dataSetIndex >= 0 && dataSetIndex < actions.size() && dataSetIndex < dataSets->size())
            dataSets->at(dataSetIndex)->visible = actions.at(dataSetIndex)->isChecked();
    } else {
        const auto found = indexMap.constFind(dataSetIndex);
        if (dataSets && found != indexMap.constEnd() && found.value() < checkBoxes.size()
            && dataSetIndex < dataSets->size()) {
            XYDataSet* dataSet = dataSets->at(dataSetIndex);
            dataSet->visible = checkBoxes.at(found.value())->isChecked();
            if (found.value() < rows.size())
                rows[found.value()].shownVisible = dataSet->visible;
            if (dataSet->getLook()->isColorBar())
                updateColorBarLegends();
        }
        if (allCheckBox && noneCheckBox && synchronizeAllNone) {
            const bool all = std::all_of(checkBoxes.cbegin(), checkBoxes.cend(),
                                         [](QCheckBox* box) { return box->isChecked(); });
            const bool none = std::none_of(checkBoxes.cbegin(), checkBoxes.cend(),
                                           [](QCheckBox* box) { return box->isChecked(); });
            allCheckBox->setChecked(all);
            noneCheckBox->setChecked(none);
        }
    }
    emit dataSetVisibilityChanged();
}

void XYLegend::allOrNoneCBToggled()
{
    if (!allCheckBox || !noneCheckBox)
        return;
    QObject* source = sender();
    // Each entry box that changes reports through the mapper to toggled(int);
    // the switch keeps those reports from fighting over "All" and "None".
    if (source == allCheckBox && allCheckBox->isChecked()) {
        synchronizeAllNone = false;
        noneCheckBox->setChecked(false);
        for (QCheckBox* box : std::as_const(checkBoxes))
            box->setChecked(true);
        synchronizeAllNone = true;
    } else if (source == noneCheckBox && noneCheckBox->isChecked()) {
        synchronizeAllNone = false;
        allCheckBox->setChecked(false);
        for (QCheckBox* box : std::as_const(checkBoxes))
            box->setChecked(false);
        synchronizeAllNone = true;
    }
}

void XYLegend::drawLegendSymbol(QPainter* painter, int symbol, QPoint centre, int r)
{
    const int cx = centre.x();
    const int cy = centre.y();
    switch (symbol) {
    case SYMBOL_DOT:
        painter->drawRect(QRect(cx, cy, r, r));
        break;
    case SYMBOL_PLUS:
        painter->drawLine(cx - r, cy, cx + r, cy);
        painter->drawLine(cx, cy - r, cx, cy + r);
        break;
    case SYMBOL_CROSS:
        painter->drawLine(cx - r, cy - r, cx + r, cy + r);
        painter->drawLine(cx + r, cy - r, cx - r, cy + r);
        break;
    case SYMBOL_SQUARE:
        painter->drawRect(QRect(cx - r, cy - r, 2 * r, 2 * r));
        break;
    case SYMBOL_TRIANGLE_DOWN:
        painter->drawPolygon(QPolygon({QPoint(cx - r, cy - r), QPoint(cx + r, cy - r), QPoint(cx, cy + r)}));
        break;
    case SYMBOL_TRIANGLE_UP:
        painter->drawPolygon(QPolygon({QPoint(cx - r, cy + r), QPoint(cx + r, cy + r), QPoint(cx, cy - r)}));
        break;
    case SYMBOL_TRIANGLE_LEFT:
        painter->drawPolygon(QPolygon({QPoint(cx + r, cy - r), QPoint(cx + r, cy + r), QPoint(cx - r, cy)}));
        break;
    case SYMBOL_TRIANGLE_RIGHT:
        painter->drawPolygon(QPolygon({QPoint(cx - r, cy - r), QPoint(cx - r, cy + r), QPoint(cx + r, cy)}));
        break;
    case SYMBOL_CIRCLE:
        painter->drawEllipse(QRect(cx - r, cy - r, 2 * r, 2 * r));
        break;
    case SYMBOL_DIAMOND:
        painter->drawPolygon(
            QPolygon({QPoint(cx - r, cy), QPoint(cx, cy + r), QPoint(cx + r, cy), QPoint(cx, cy - r)}));
        break;
    default:
        break;
    }
}

void XYLegend::drawPictureSymbol(QPainter* painter, Picture const& parts)
{
    QPen pen(QBrush(QColor::fromRgba(parts.color), Qt::SolidPattern), parts.thickness);
    if (parts.penStyle == Qt::NoPen) {
        pen.setStyle(Qt::SolidLine);
        pen.setCapStyle(Qt::SquareCap);
    } else {
        pen.setStyle(Qt::PenStyle(parts.penStyle));
        pen.setCapStyle(Qt::FlatCap);
    }
    pen.setJoinStyle(Qt::BevelJoin);
    painter->setPen(pen);
    const QPoint centre(parts.symbolWidth / 2, parts.height / 2);
    drawLegendSymbol(painter, parts.symbol, centre, parts.halfSize);
    painter->drawLine(0, centre.y(), parts.symbolWidth, centre.y());
}

QSize XYLegend::drawSymbol(QPainter* painter, int dataSetIndex)
{
    if (!painter || !dataSets || dataSetIndex < 0 || dataSetIndex >= dataSets->size())
        return QSize();
    const Picture parts = pictureOf(dataSets->at(dataSetIndex), QFontMetrics(font()).height(), Qt::white);
    drawPictureSymbol(painter, parts);
    return QSize(parts.symbolWidth + parts.textGap, parts.height);
}

QPixmap XYLegend::createPixmap(int dataSetIndex, QColor background, bool withText)
{
    if (!dataSets || dataSetIndex < 0 || dataSetIndex >= dataSets->size())
        return QPixmap();
    XYDataSet* dataSet = dataSets->at(dataSetIndex);
    const QFontMetrics metrics(font());
    const Picture parts = pictureOf(dataSet, metrics.height(), background);
    const int textWidth = withText ? metrics.horizontalAdvance(dataSet->name) : 0;
    QPixmap pixmap(parts.symbolWidth + textWidth + parts.textGap, parts.height);
    pixmap.fill(background);

    QPainter painter(&pixmap);
    drawPictureSymbol(&painter, parts);
    if (withText) {
        painter.setPen(palette().color(palette().currentColorGroup(), QPalette::WindowText));
        painter.setFont(font());
        painter.drawText(parts.symbolWidth + parts.textGap, parts.height - metrics.descent(), dataSet->name);
    }
    painter.end();
    return pixmap;
}

void XYLegend::updateColorBarLegends()
{
    if (!colorBarBox || !dataSets)
        return;
    QList<XYDataSet*> collected;
    for (XYDataSet* dataSet : std::as_const(*dataSets)) {
        if (dataSet->visible && (dataSet->getLook()->isColorBar() || dataSet->name == kOverallQuality))
            collected.append(dataSet);
    }
    // The legend keeps its own list: a search through all its descendants
    // would cost as much as the whole legend on every rebuild.
    for (LookLegend* lookLegend : std::as_const(colorBarLegends))
        delete lookLegend;
    colorBarLegends.clear();
    for (XYDataSet* dataSet : std::as_const(collected)) {
        auto* lookLegend = new LookLegend(dataSet, nullptr);
        colorBarLegends.append(lookLegend);
        // Compact at the top, not stretched to the height of the entry list.
        colorBarBox->addWidget(lookLegend, 0, Qt::AlignTop | Qt::AlignLeft);
        connect(lookLegend, &LookLegend::filterChanged, this, &XYLegend::dataSetVisibilityChanged);
    }
}

LookLegend* XYLegend::getColorBarLegend(XYDataSet* dataSet)
{
    if (!dataSet)
        return nullptr;
    Look* look = dataSet->getLook();
    for (LookLegend* lookLegend : std::as_const(colorBarLegends)) {
        if (lookLegend && lookLegend->getLook() == look)
            return lookLegend;
    }
    return nullptr;
}

XYLegend::PictureFit XYLegend::fitPicture(QSize size)
{
    PictureFit fit;
    if (!dataSets)
        return fit;
    const PlotRenderSettings_t* settings = getPlotRenderSettings();
    fit.headingFont = settings->legendTitleFont;
    fit.entryFont = settings->legendFont;
    const int symbolWidth = settings->legendIconSize;
    const int textGap = settings->legendIconMargin;

    // What goes into the picture, and how many lines it takes.
    QStringList headings;
    QStringList entries;
    int lines = 0;
    if (!title.isEmpty()) {
        headings.append(title);
        lines = 1;
    }
    for (XYDataSet* dataSet : std::as_const(*dataSets)) {
        if (!isPrinted(dataSet))
            continue;
        entries.append(dataSet->name);
        Look* look = dataSet->getLook();
        if (!look->isColorBar()) {
            lines += 1;
            continue;
        }
        // Its own line, an empty line, its heading and one line per entry.
        headings.append(dataSet->name);
        const QList<Look::Entry> lookEntries = look->getLookEntriesForLegend();
        for (const Look::Entry& entry : lookEntries)
            entries.append(look->getLookEntryLegendText(entry));
        lines += 3 + int(lookEntries.size());
    }

    // Shrink both fonts point by point until the picture fits.
    int pointSize = fit.headingFont.pointSize();
    if (pointSize <= 0)
        pointSize = QFontInfo(fit.headingFont).pointSize();
    int width = 0;
    int height = 0;
    for (;;) {
        fit.headingFont.setPointSize(pointSize);
        fit.entryFont.setPointSize(pointSize);
        const QFontMetrics headingMetrics(fit.headingFont);
        const QFontMetrics entryMetrics(fit.entryFont);
        fit.spacing = entryMetrics.lineSpacing();
        height = fit.spacing * (lines + 1);
        const bool heightFits = height <= size.height();
        // Measuring every text is what costs with many entries: only where
        // the height fits, or at the last size, which gives the width.
        if (heightFits || pointSize <= kSmallestPointSize) {
            width = 0;
            for (const QString& heading : std::as_const(headings))
                width = std::max(width, headingMetrics.horizontalAdvance(heading) + 2 * fit.spacing);
            for (const QString& entry : std::as_const(entries))
                width = std::max(width, entryMetrics.horizontalAdvance(entry) + 2 * fit.spacing + symbolWidth + textGap);
        }
        fit.fits = heightFits && width <= size.width();
        if (fit.fits || pointSize <= kSmallestPointSize)
            break;
        --pointSize;
    }

    fit.size = QSize(std::min(width, size.width()), std::min(height, size.height()));
    if (fit.size.width() <= 0 || fit.size.height() <= 0)
        fit.size = QSize();
    return fit;
}

void XYLegend::warnWhenCropped(PictureFit const& fit)
{
    if (!fit.fits) {
        const QDateTime now = QDateTime::currentDateTime();
        const bool quietLongEnough = lastFitFailure.isNull() || lastFitFailure.secsTo(now) >= kWarningPauseSeconds;
        if (quietLongEnough && !isUserInteractionDisabled()) {
            QMessageBox::warning(this, tr("Timeplot legend does not fit."),
                                 tr("While rendering the time plot, the legend does not fit the attributed space. "
                                    "It will be partly cropped."),
                                 QMessageBox::Ok);
        }
        lastFitFailure = now;
    }
}

QSize XYLegend::legendPictureSize(QSize size)
{
    const PictureFit fit = fitPicture(size);
    if (dataSets)
        warnWhenCropped(fit);
    return fit.size;
}

void XYLegend::drawLegendPicture(QPainter* painter, QSize size)
{
    const PictureFit fit = fitPicture(size);
    if (painter && !fit.size.isEmpty())
        paintPicture(painter, fit);
}

QPixmap XYLegend::drawLegendToPixmap(QSize size)
{
    if (!dataSets)
        return QPixmap();
    const PictureFit fit = fitPicture(size);
    warnWhenCropped(fit);
    if (fit.size.isEmpty())
        return QPixmap();
    QPixmap pixmap(fit.size);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    paintPicture(&painter, fit);
    painter.end();
    return pixmap;
}

void XYLegend::paintPicture(QPainter* painter, PictureFit const& fit)
{
    const PlotRenderSettings_t* settings = getPlotRenderSettings();
    const int symbolWidth = settings->legendIconSize;
    const int textGap = settings->legendIconMargin;
    const QFontMetrics headingMetrics(fit.headingFont);
    const QFontMetrics entryMetrics(fit.entryFont);
    const int ascent = entryMetrics.ascent();
    const int textX = symbolWidth + fit.spacing + textGap;
    int y = ascent + fit.spacing / 2;
    auto drawHeading = [&](const QString& text) {
        painter->setFont(fit.headingFont);
        painter->drawText((fit.size.width() - headingMetrics.horizontalAdvance(text)) / 2, y, text);
    };
    // A raster picture gets the symbol pictures of the legend on screen.  A
    // vector device gets the same drawing as shapes (sharp at any zoom), cut
    // to the picture's box as the pixmap cuts it.
    const bool vector = VectorShapeRecorder::isVectorDevice(painter);
    auto drawEntry = [&](auto&& pixmap, auto&& draw, const QString& text) {
        if (vector) {
            VectorShapeRecorder recorder;
            QPainter recording(&recorder);
            const QSize size = draw(&recording);
            recording.end();
            painter->save();
            painter->translate(fit.spacing, y - (size.height() + ascent) / 2);
            recorder.replay(painter, QRectF(QPointF(0, 0), QSizeF(size)), 0);
            painter->restore();
        } else {
            const QPixmap symbol = pixmap();
            painter->drawPixmap(fit.spacing, y - (symbol.height() + ascent) / 2, symbol);
        }
        painter->setFont(fit.entryFont);
        painter->drawText(textX, y, text);
    };

    if (!title.isEmpty()) {
        drawHeading(title);
        y += fit.spacing;
    }
    for (int i = 0; i < dataSets->size(); ++i) {
        if (!isPrinted(dataSets->at(i)))
            continue;
        drawEntry([&] { return createPixmap(i, Qt::white, false); },
                  [&](QPainter* recording) { return drawSymbol(recording, i); }, dataSets->at(i)->name);
        y += fit.spacing;
    }
    for (XYDataSet* dataSet : std::as_const(*dataSets)) {
        if (!isPrinted(dataSet) || !dataSet->getLook()->isColorBar())
            continue;
        Look* look = dataSet->getLook();
        y += fit.spacing;
        drawHeading(dataSet->name);
        y += fit.spacing;
        LookLegend* lookLegend = getColorBarLegend(dataSet);
        const QList<Look::Entry> lookEntries = look->getLookEntriesForLegend();
        for (const Look::Entry& entry : lookEntries) {
            const QString text = look->getLookEntryLegendText(entry);
            if (lookLegend) {
                drawEntry([&] { return lookLegend->createPixmap(entry, Qt::white); },
                          [&](QPainter* recording) { return lookLegend->drawSymbol(recording, entry); }, text);
            } else {
                painter->setFont(fit.entryFont);
                painter->drawText(textX, y, text);
            }
            y += fit.spacing;
        }
    }
}
