#include "legendgrid.h"

#include <QGridLayout>
#include <QHash>
#include <QList>
#include <QWidget>

LegendGrid::LegendGrid(QWidget* owner, int spacing, int horizontalSpacing, int margin)
    : owner(owner), spacing(spacing), horizontalSpacing(horizontalSpacing), margin(margin), grid(createLayout())
{
}

QGridLayout* LegendGrid::createLayout()
{
    auto* layout = new QGridLayout(owner);
    layout->setSpacing(spacing);
    layout->setHorizontalSpacing(horizontalSpacing);
    layout->setContentsMargins(margin, margin, margin, margin);
    return layout;
}

QGridLayout* LegendGrid::layout() const
{
    return grid;
}

void LegendGrid::place(std::vector<Cell> const& cells)
{
    // The layout holds exactly the widgets of the last call when none of them
    // was deleted since (a deleted child leaves its layout at once).
    bool kept = grid->count() == int(placed.size()) && placed.size() <= cells.size();
    for (size_t i = 0; kept && i < placed.size(); ++i) {
        const Cell& was = placed.at(i);
        const Cell& is = cells.at(i);
        kept = grid->itemAt(int(i))->widget() == is.widget && was.row == is.row && was.column == is.column
            && was.rowSpan == is.rowSpan && was.columnSpan == is.columnSpan && was.alignment == is.alignment;
    }

    if (kept) {
        for (size_t i = placed.size(); i < cells.size(); ++i) {
            const Cell& cell = cells.at(i);
            grid->addWidget(cell.widget, cell.row, cell.column, cell.rowSpan, cell.columnSpan, cell.alignment);
        }
    } else {
        // Take the items out from the end (cheap), then put them into a new
        // grid.  The widgets come back mostly in their old order, with new
        // ones (never laid out yet) in between: matched in step, with a
        // look-up only for a widget that moved.
        QList<QLayoutItem*> items(grid->count());
        for (qsizetype i = items.size() - 1; i >= 0; --i)
            items[i] = grid->takeAt(int(i));
        delete grid;
        grid = createLayout();
        QHash<QWidget*, qsizetype> moved;
        qsizetype next = 0;
        for (const Cell& cell : cells) {
            while (next < items.size() && !items.at(next))
                ++next;
            QLayoutItem* item = nullptr;
            if (next < items.size() && items.at(next)->widget() == cell.widget) {
                item = items.at(next);
                items[next++] = nullptr;
            } else if (cell.widget->testAttribute(Qt::WA_LaidOut)) {
                if (moved.isEmpty()) {
                    for (qsizetype i = 0; i < items.size(); ++i) {
                        if (items.at(i))
                            moved.insert(items.at(i)->widget(), i);
                    }
                }
                const qsizetype at = moved.value(cell.widget, -1);
                if (at >= 0 && items.at(at)) {
                    item = items.at(at);
                    items[at] = nullptr;
                }
            }
            if (item)
                grid->addItem(item, cell.row, cell.column, cell.rowSpan, cell.columnSpan, cell.alignment);
            else
                grid->addWidget(cell.widget, cell.row, cell.column, cell.rowSpan, cell.columnSpan, cell.alignment);
        }
        qDeleteAll(items);
    }
    placed = cells;
}
