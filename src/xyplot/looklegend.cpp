#include "looklegend.h"

#include "colorbardrawlistener.h"
#include "memleaktracer.h"
#include "plotrendersettings.h"
#include "xydataset.h"
#include "xylegend.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPen>
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
}

Look* LookLegend::getLook()
{
    return look;
}

void LookLegend::update()
{
    // Everything of the previous build goes: the child widgets (with them the
    // check boxes the entry map points to) and the layout.
    entryMap.clear();
    const QList<QWidget*> children = findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    qDeleteAll(children);
    delete layout();

    auto* grid = new QGridLayout();
    grid->setSpacing(0);
    grid->setHorizontalSpacing(4);
    grid->setContentsMargins(2, 2, 2, 2);
    int row = 0;

    if (!title.isEmpty()) {
        auto* heading = new QLabel(QStringLiteral("<b><u>") + title.toHtmlEscaped() + QStringLiteral("</u></b>"), this);
        grid->addWidget(heading, 0, 1, 1, 3, Qt::AlignHCenter);
        row = 1;
    }

    const QColor background = palette().color(palette().currentColorGroup(), QPalette::Window);
    const bool filtering = listener && look->getAllowFiltering();
    const QList<Look::Entry> entries = look->getLookEntriesForLegend();
    for (const Look::Entry& entry : entries) {
        const QString text = look->getLookEntryLegendText(entry);
        auto* box = new QCheckBox(this);
        if (title.isEmpty())
            box->setToolTip(plainToolTip(tr("Check or uncheck to show or hide epochs with %1.").arg(text)));
        else
            box->setToolTip(
                plainToolTip(tr("Check or uncheck to show or hide epochs with %1 equal to %2.").arg(title, text)));
        auto* picture = new QLabel(this);
        picture->setPixmap(createPixmap(entry, background));
        picture->setAlignment(Qt::AlignLeft);
        auto* label = new QLabel(text, this);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft);
        grid->addWidget(box, row, 0);
        grid->addWidget(picture, row, 1);
        grid->addWidget(label, row, 2);

        if (filtering) {
            box->setChecked(!listener->isFiltered(entry));
            connect(box, &QCheckBox::toggled, this, &LookLegend::toggled);
            connect(box, &QCheckBox::toggled, listener, &ColorBarDrawListener::clearCache);
            entryMap.insert(box, entry);
        } else {
            box->hide();
        }
        ++row;
    }
    setLayout(grid);
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
    const int iconSize = settings->legendIconSize;
    const int height = QFontMetrics(font()).height();
    QPixmap pixmap(iconSize + settings->legendIconMargin, height);
    pixmap.fill(background);

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

    QPainter painter(&pixmap);
    painter.setPen(pen);
    const QPoint centre(iconSize / 2, height / 2);
    XYLegend::drawLegendSymbol(&painter, entry.symbol, centre, halfSize);
    painter.drawLine(0, centre.y(), iconSize, centre.y());
    painter.end();
    return pixmap;
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
