#include "looklegend.h"

#include "colorbardrawlistener.h"
#include "legendgrid.h"
#include "memleaktracer.h"
#include "plotrendersettings.h"
#include "xydataset.h"
#include "xylegend.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QMultiHash>
#include <QPen>
#include <QSignalBlocker>
#include <QTextDocument>

namespace {

const int kRebuildDelayMs = 200;

// The data set's name and the legend texts are data, shown as they are: a
// tool tip that would be taken for markup is turned into an equivalent one
// that shows the text literally.
QString plainToolTip(QString const& text)
{
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal) : text;
}

} // namespace

LookLegend::LookLegend(XYDataSet* dataSet, QWidget* parent)
    : QFrame(parent),
      look(dataSet->getLook()),
      title(dataSet->name),
      listener(qobject_cast<ColorBarDrawListener*>(dataSet->getDrawListener()))
{
    MemLeakTracer::getInstance()->doAllocateObject("LookLegend");
    connect(look, &Look::presentLookEntriesChanged, this, &LookLegend::update, Qt::DirectConnection);
    timer.setSingleShot(true);
    timer.setInterval(kRebuildDelayMs);
    connect(&timer, &QTimer::timeout, this, &LookLegend::update);
    update();
}

LookLegend::~LookLegend()
{
    MemLeakTracer::getInstance()->doDeallocateObject("LookLegend");
    delete grid;
}

Look* LookLegend::getLook()
{
    return look;
}

void LookLegend::update()
{
    entryMap.clear();
    if (!grid)
        grid = new LegendGrid(this, 0, 4, 2);
    std::vector<LegendGrid::Cell> cells;
    int row = 0;

    if (!title.isEmpty()) {
        if (!heading)
            heading = new QLabel(QStringLiteral("<b><u>") + title.toHtmlEscaped() + QStringLiteral("</u></b>"), this);
        cells.push_back({heading, 0, 1, 1, 3, Qt::AlignHCenter});
        row = 1;
    }

    const QColor background = palette().color(palette().currentColorGroup(), QPalette::Window);
    const PlotRenderSettings_t* settings = getPlotRenderSettings();
    const int pictureWidth = settings->legendIconSize + settings->legendIconMargin;
    const int pictureHeight = QFontMetrics(font()).height();
    const int widthFactor = look->isColorBar() ? settings->colorBarWidthFactor : settings->lineWidthFactor;
    const bool filtering = listener && look->getAllowFiltering();
    const QList<Look::Entry> entries = look->getLookEntriesForLegend();

    // The rows of the last rebuild are taken over by their entries: in the
    // same order as a rule, by a look-up otherwise (the order of a set of
    // entries may change as it grows).
    QMultiHash<Look::Entry, qsizetype> previous;
    qsizetype inOrder = 0;
    QList<bool> reused(rows.size(), false);
    auto takeRow = [&](Look::Entry const& entry) -> qsizetype {
        if (inOrder < rows.size() && !reused.at(inOrder) && rows.at(inOrder).entry == entry)
            return inOrder++;
        if (previous.isEmpty()) {
            for (qsizetype k = rows.size() - 1; k >= 0; --k) {
                if (!reused.at(k))
                    previous.insert(rows.at(k).entry, k);
            }
        }
        for (auto found = previous.find(entry); found != previous.end() && found.key() == entry;
             found = previous.find(entry)) {
            const qsizetype k = found.value();
            previous.erase(found);
            if (!reused.at(k))
                return k;
        }
        return -1;
    };

    QList<Row> next;
    next.reserve(entries.size());
    for (const Look::Entry& entry : entries) {
        Row r;
        const qsizetype k = takeRow(entry);
        if (k >= 0) {
            r = rows.at(k);
            reused[k] = true;
        } else {
            r.entry = entry;
            r.box = new QCheckBox(this);
            r.picture = new QLabel(this);
            r.picture->setAlignment(Qt::AlignLeft);
            r.label = new QLabel(this);
            r.label->setTextFormat(Qt::PlainText);
            r.label->setAlignment(Qt::AlignLeft);
        }
        const QString text = look->getLookEntryLegendText(entry);
        if (text != r.text || k < 0) {
            r.text = text;
            r.label->setText(text);
            if (title.isEmpty())
                r.box->setToolTip(plainToolTip(tr("Check or uncheck to show or hide epochs with %1.").arg(text)));
            else
                r.box->setToolTip(
                    plainToolTip(tr("Check or uncheck to show or hide epochs with %1 equal to %2.").arg(title, text)));
        }
        const int penWidth = entry.lineThickness * widthFactor;
        if (r.pictureWidth != pictureWidth || r.pictureHeight != pictureHeight || r.penWidth != penWidth
            || r.background != background.rgba()) {
            r.picture->setPixmap(createPixmap(entry, background));
            r.pictureWidth = pictureWidth;
            r.pictureHeight = pictureHeight;
            r.penWidth = penWidth;
            r.background = background.rgba();
        }

        if (filtering) {
            if (r.box->isChecked() == listener->isFiltered(entry)) {
                // The listener holds the state: nothing to report back to it.
                const QSignalBlocker blocker(r.box);
                r.box->setChecked(!listener->isFiltered(entry));
            }
            if (!r.connected) {
                connect(r.box, &QCheckBox::toggled, this, &LookLegend::toggled);
                connect(r.box, &QCheckBox::toggled, listener, &ColorBarDrawListener::clearCache);
                r.connected = true;
            }
            if (r.hidden) {
                r.box->show();
                r.hidden = false;
            }
            entryMap.insert(r.box, entry);
        } else {
            if (r.connected) {
                disconnect(r.box, nullptr, this, nullptr);
                disconnect(r.box, nullptr, listener, nullptr);
                r.connected = false;
            }
            if (!r.hidden) {
                r.box->hide();
                r.hidden = true;
            }
        }
        cells.push_back({r.box, row, 0});
        cells.push_back({r.picture, row, 1});
        cells.push_back({r.label, row, 2});
        next.append(r);
        ++row;
    }
    for (qsizetype k = 0; k < rows.size(); ++k) {
        if (!reused.at(k)) {
            delete rows.at(k).box;
            delete rows.at(k).picture;
            delete rows.at(k).label;
        }
    }
    rows = std::move(next);
    grid->place(cells);
}

void LookLegend::updateLater()
{
    timer.start();
}

void LookLegend::toggled(bool checked)
{
    // A box missing from the map yields the default entry, as documented.
    const Look::Entry entry = entryMap.value(qobject_cast<QCheckBox*>(sender()));
    if (listener)
        listener->filterEntry(entry, !checked);
    emit filterChanged();
}

QPixmap LookLegend::createPixmap(Look::Entry const& entry, QColor background)
{
    const PlotRenderSettings_t* settings = getPlotRenderSettings();
    QPixmap pixmap(settings->legendIconSize + settings->legendIconMargin, QFontMetrics(font()).height());
    pixmap.fill(background);
    QPainter painter(&pixmap);
    drawSymbol(&painter, entry);
    painter.end();
    return pixmap;
}

QSize LookLegend::drawSymbol(QPainter* painter, Look::Entry const& entry)
{
    const PlotRenderSettings_t* settings = getPlotRenderSettings();
    const int iconSize = settings->legendIconSize;
    const int height = QFontMetrics(font()).height();
    const int thickness = entry.lineThickness;
    int halfSize = 0;
    if (entry.symbol >= SYMBOL_PLUS && entry.symbol <= SYMBOL_DIAMOND)
        halfSize = 3 * thickness + 3;
    else if (entry.symbol == SYMBOL_DOT)
        halfSize = thickness;

    const int width = thickness * (look->isColorBar() ? settings->colorBarWidthFactor : settings->lineWidthFactor);
    QPen pen(QBrush(entry.color, Qt::SolidPattern), width);
    if (entry.penStyle == Qt::NoPen) {
        pen.setStyle(Qt::SolidLine);
        pen.setCapStyle(Qt::SquareCap);
    } else {
        pen.setStyle(entry.penStyle);
        pen.setCapStyle(Qt::FlatCap);
    }
    pen.setJoinStyle(Qt::BevelJoin);

    painter->setPen(pen);
    const QPoint centre(iconSize / 2, height / 2);
    XYLegend::drawLegendSymbol(painter, entry.symbol, centre, halfSize);
    painter->drawLine(0, centre.y(), iconSize, centre.y());
    return QSize(iconSize + settings->legendIconMargin, height);
}

QString LookLegend::generateTooltipText(Look* look, QString const& title)
{
    QString html = QStringLiteral("<html><table>");
    if (!title.isEmpty())
        html += QStringLiteral("<tr><th colspan=\"2\">%1</th></tr>").arg(title.toHtmlEscaped());
    if (look) {
        const QList<Look::Entry> entries = look->getLookEntriesForLegend();
        for (const Look::Entry& entry : entries) {
            const QString swatch = QStringLiteral("<div style=\"font-size:small;border-style:solid; "
                                                  "border-color:black;background-color:%1;\"></div>")
                                       .arg(entry.color.name());
            html += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>")
                        .arg(swatch, look->getLookEntryLegendText(entry).toHtmlEscaped());
        }
    }
    html += QStringLiteral("</table></html>");
    return html;
}
