#include "xylegend.h"

#include "dataarray.h"
#include "look.h"
#include "looklegend.h"
#include "memleaktracer.h"
#include "plotrendersettings.h"
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

void XYLegend::rebuildGrid()
{
    delete frame;
    frame = nullptr;
    allCheckBox = nullptr;
    noneCheckBox = nullptr;
    checkBoxes.clear();
    labels.clear();
    indexMap.clear();
    if (!dataSets)
        return;

    frame = new QFrame(this);
    auto* grid = new QGridLayout(frame);
    grid->setSpacing(0);
    grid->setContentsMargins(0, 0, 0, 0);
    int headerRows = 0;

    if (!title.isEmpty()) {
        auto* heading = new QLabel(QStringLiteral("<center><b><u>%1</u></b></center>").arg(title.toHtmlEscaped()), frame);
        grid->addWidget(heading, 0, 1, 1, 3);
        labels.append(heading);
        headerRows = 1;
    }

    QList<int> shown;
    for (int i = 0; i < dataSets->size(); ++i) {
        if (isShownInGrid(dataSets->at(i))) {
            indexMap.insert(i, int(shown.size()));
            shown.append(i);
        }
    }

    if (shown.size() >= 4 && checkable) {
        allCheckBox = new QCheckBox(tr("All"), frame);
        noneCheckBox = new QCheckBox(tr("None"), frame);
        grid->addWidget(allCheckBox, headerRows, 1, 1, 3);
        grid->addWidget(noneCheckBox, headerRows + 1, 1, 1, 3);
        connect(allCheckBox, &QCheckBox::stateChanged, this, &XYLegend::allOrNoneCBToggled);
        connect(noneCheckBox, &QCheckBox::stateChanged, this, &XYLegend::allOrNoneCBToggled);
        headerRows += 2;
    }

    // Column split: as few column groups as keep every column within the
    // available height.  All data sets count, shown or not, so the split does
    // not jump while data sets fill up.
    const int fontHeight = std::max(1, QFontMetrics(font()).height());
    const int capacity = availableHeight / fontHeight;
    const int total = int(dataSets->size()) + headerRows;
    int rowsPerColumn = capacity;
    if (total > capacity) {
        if (capacity < 2) {
            // Less than two rows of text (typically no minimum height known):
            // no split, one column.
            rowsPerColumn = std::max(total, 1);
        } else {
            for (int k = 2;; ++k) {
                const int rows = total / k + total % k;
                if (rows < capacity) {
                    rowsPerColumn = rows;
                    break;
                }
            }
        }
    }

    const QColor background = palette().color(palette().currentColorGroup(), QPalette::Window);
    int row = headerRows;
    int column = 0;
    for (int j = 0; j < shown.size(); ++j) {
        if (j > 0 && (headerRows + j) % rowsPerColumn == 0) {
            column += checkable ? 4 : 3;
            row = 0;
        }
        const int listIndex = shown.at(j);
        XYDataSet* dataSet = dataSets->at(listIndex);
        if (column > 0) {
            auto* spacer = new QLabel(kSpacerText, frame);
            grid->addWidget(spacer, row, column);
            labels.append(spacer);
        }
        if (checkable) {
            auto* box = new QCheckBox(frame);
            box->setChecked(dataSet->visible);
            connect(box, &QCheckBox::toggled, signalMapper, qOverload<>(&QSignalMapper::map));
            signalMapper->setMapping(box, listIndex);
            grid->addWidget(box, row, column + 1);
            checkBoxes.append(box);
        }
        auto* picture = new QLabel(frame);
        picture->setPixmap(createPixmap(listIndex, background, false));
        picture->setAlignment(Qt::AlignLeft);
        auto* name = new QLabel(dataSet->name, frame);
        // Names come from files and receivers: shown as they are, never as markup.
        name->setTextFormat(Qt::PlainText);
        name->setAlignment(Qt::AlignLeft);
        grid->addWidget(picture, row, column + 2);
        grid->addWidget(name, row, column + 3);
        labels.append(picture);
        labels.append(name);
        ++row;
    }

    // A legend given more width than it needs (aligned with the legends of
    // other plots, say) keeps its entries packed to the left.
    entryBox->addWidget(frame, 0, Qt::AlignLeft);
    frame->setFrameShadow(QFrame::Raised);
    // One stretch at the end of the outer box, not one per rebuild.
    const int count = outerBox->count();
    if (count == 0 || !outerBox->itemAt(count - 1)->spacerItem())
        outerBox->addStretch();

    if (allCheckBox && noneCheckBox)
        toggled(2);
    updateColorBarLegends();
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

QPixmap XYLegend::createPixmap(int dataSetIndex, QColor background, bool withText)
{
    if (!dataSets || dataSetIndex < 0 || dataSetIndex >= dataSets->size())
        return QPixmap();
    XYDataSet* dataSet = dataSets->at(dataSetIndex);
    Look* look = dataSet->getLook();
    const PlotRenderSettings_t* settings = getPlotRenderSettings();
    const QFontMetrics metrics(font());
    // The legend shows the appearance of the newest point.
    const int n = dataSet->yData->dataSize();
    const int symbolWidth = settings->legendIconSize;
    const int textGap = settings->legendIconMargin;
    const int textWidth = withText ? metrics.horizontalAdvance(dataSet->name) : 0;
    const int height = metrics.height();
    QPixmap pixmap(symbolWidth + textWidth + textGap, height);
    pixmap.fill(background);

    const E_SYMBOL symbol = n < 1 ? look->getDefaultSymbol() : look->getSymbol(n - 1);
    int thickness = n < 1 ? look->getDefaultLineThickness() : look->getLineThickness(n - 1);
    thickness *= look->isColorBar() ? settings->colorBarWidthFactor : settings->lineWidthFactor;
    const QColor color = (n < 1 || look->useDefaultColorInLegend()) ? look->getDefaultColor() : look->getColor(n - 1);
    const Qt::PenStyle penStyle = n < 1 ? look->getDefaultPenStyle() : look->getPenStyle(n - 1);

    QPen pen(QBrush(color, Qt::SolidPattern), thickness);
    if (penStyle == Qt::NoPen) {
        pen.setStyle(Qt::SolidLine);
        pen.setCapStyle(Qt::SquareCap);
    } else {
        pen.setStyle(penStyle);
        pen.setCapStyle(Qt::FlatCap);
    }
    pen.setJoinStyle(Qt::BevelJoin);

    int halfSize = 0;
    if (symbol >= SYMBOL_PLUS && symbol <= SYMBOL_DIAMOND)
        halfSize = look->getSymbolSize() / 2;
    else if (symbol == SYMBOL_DOT)
        halfSize = thickness;

    QPainter painter(&pixmap);
    painter.setPen(pen);
    const QPoint centre(symbolWidth / 2, height / 2);
    drawLegendSymbol(&painter, symbol, centre, halfSize);
    painter.drawLine(0, centre.y(), symbolWidth, centre.y());
    if (withText) {
        painter.setPen(palette().color(palette().currentColorGroup(), QPalette::WindowText));
        painter.setFont(font());
        painter.drawText(symbolWidth + textGap, height - metrics.descent(), dataSet->name);
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
    qDeleteAll(findChildren<LookLegend*>());
    for (XYDataSet* dataSet : std::as_const(collected)) {
        auto* lookLegend = new LookLegend(dataSet, nullptr);
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
    const QList<LookLegend*> lookLegends = findChildren<LookLegend*>();
    for (LookLegend* lookLegend : lookLegends) {
        if (lookLegend->getLook() == look)
            return lookLegend;
    }
    return nullptr;
}

QPixmap XYLegend::drawLegendToPixmap(QSize size)
{
    if (!dataSets)
        return QPixmap();
    const PlotRenderSettings_t* settings = getPlotRenderSettings();
    QFont headingFont = settings->legendTitleFont;
    QFont entryFont = settings->legendFont;
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
    int pointSize = headingFont.pointSize();
    if (pointSize <= 0)
        pointSize = QFontInfo(headingFont).pointSize();
    int spacing = 0;
    int width = 0;
    int height = 0;
    bool fits = false;
    for (;;) {
        headingFont.setPointSize(pointSize);
        entryFont.setPointSize(pointSize);
        const QFontMetrics headingMetrics(headingFont);
        const QFontMetrics entryMetrics(entryFont);
        spacing = entryMetrics.lineSpacing();
        width = 0;
        for (const QString& heading : std::as_const(headings))
            width = std::max(width, headingMetrics.horizontalAdvance(heading) + 2 * spacing);
        for (const QString& entry : std::as_const(entries))
            width = std::max(width, entryMetrics.horizontalAdvance(entry) + 2 * spacing + symbolWidth + textGap);
        height = spacing * (lines + 1);
        fits = width <= size.width() && height <= size.height();
        if (fits || pointSize <= kSmallestPointSize)
            break;
        --pointSize;
    }

    if (!fits) {
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

    const int pixmapWidth = std::min(width, size.width());
    const int pixmapHeight = std::min(height, size.height());
    if (pixmapWidth <= 0 || pixmapHeight <= 0)
        return QPixmap();
    QPixmap pixmap(pixmapWidth, pixmapHeight);
    pixmap.fill(Qt::white);

    QPainter painter(&pixmap);
    const QFontMetrics headingMetrics(headingFont);
    const QFontMetrics entryMetrics(entryFont);
    const int ascent = entryMetrics.ascent();
    const int textX = symbolWidth + spacing + textGap;
    int y = ascent + spacing / 2;
    auto drawHeading = [&](const QString& text) {
        painter.setFont(headingFont);
        painter.drawText((pixmapWidth - headingMetrics.horizontalAdvance(text)) / 2, y, text);
    };
    auto drawEntry = [&](const QPixmap& symbol, const QString& text) {
        painter.drawPixmap(spacing, y - (symbol.height() + ascent) / 2, symbol);
        painter.setFont(entryFont);
        painter.drawText(textX, y, text);
    };

    if (!title.isEmpty()) {
        drawHeading(title);
        y += spacing;
    }
    for (int i = 0; i < dataSets->size(); ++i) {
        if (!isPrinted(dataSets->at(i)))
            continue;
        drawEntry(createPixmap(i, Qt::white, false), dataSets->at(i)->name);
        y += spacing;
    }
    for (XYDataSet* dataSet : std::as_const(*dataSets)) {
        if (!isPrinted(dataSet) || !dataSet->getLook()->isColorBar())
            continue;
        Look* look = dataSet->getLook();
        y += spacing;
        drawHeading(dataSet->name);
        y += spacing;
        LookLegend* lookLegend = getColorBarLegend(dataSet);
        const QList<Look::Entry> lookEntries = look->getLookEntriesForLegend();
        for (const Look::Entry& entry : lookEntries) {
            const QString text = look->getLookEntryLegendText(entry);
            if (lookLegend) {
                drawEntry(lookLegend->createPixmap(entry, Qt::white), text);
            } else {
                painter.setFont(entryFont);
                painter.drawText(textX, y, text);
            }
            y += spacing;
        }
    }
    painter.end();
    return pixmap;
}
