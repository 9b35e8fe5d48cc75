// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/contactlistview.h"

#include "model/contactlistmodel.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>

namespace vecardia {

namespace {

class CellColourDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        switch (ContactListModel::CellColour(index.data(ContactListModel::CellColourRole).toInt())) {
        case ContactListModel::CellColour::Default: break;
        case ContactListModel::CellColour::Black:
            option->palette.setColor(QPalette::Text, Qt::black);
            option->palette.setColor(QPalette::HighlightedText, Qt::black);
            break;
        case ContactListModel::CellColour::Red:
            option->palette.setColor(QPalette::Text, Qt::red);
            option->palette.setColor(QPalette::HighlightedText, QColor(255, 200, 200));
            break;
        }
    }
};

// Draws the header's sort arrow pointing up for an ascending sort, as users expect; Qt's styles draw it the other
// way round.
class UpForAscendingStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        if (const auto *header = qstyleoption_cast<const QStyleOptionHeader *>(option);
            header && (element == CE_Header || element == CE_HeaderLabel) &&
            header->sortIndicator != QStyleOptionHeader::None) {
            QStyleOptionHeader flipped = *header;
            flipped.sortIndicator = header->sortIndicator == QStyleOptionHeader::SortUp ? QStyleOptionHeader::SortDown
                                                                                        : QStyleOptionHeader::SortUp;
            QProxyStyle::drawControl(element, &flipped, painter, widget);
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

} // namespace

ContactListView::ContactListView(QWidget *parent) : QTableView(parent)
{
    setItemDelegate(new CellColourDelegate(this));
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setEditTriggers(NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setAlternatingRowColors(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    setHorizontalScrollMode(ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto *headerStyle = new UpForAscendingStyle();
    headerStyle->setParent(horizontalHeader());
    horizontalHeader()->setStyle(headerStyle);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &ContactListView::headerClicked);
    connect(this, &QTableView::clicked, this, [this](const QModelIndex &index) { Q_EMIT rowClicked(index.row()); });
}

void ContactListView::setContactModel(ContactListModel *model)
{
    m_model = model;
    setModel(model);
}

int ContactListView::selectedRow() const
{
    const QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void ContactListView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    // A fill or a sort that drops or keeps the current row is no move of the user's.
    if (current.isValid() && current.row() != previous.row())
        Q_EMIT currentRowChanged(current.row());
}

void ContactListView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        // A right press anywhere over the list, on a row or below the last one, opens the Edit menu.
        const QModelIndex at = indexAt(event->position().toPoint());
        if (at.isValid())
            selectRow(at.row());
        Q_EMIT popupRequested(event->globalPosition().toPoint());
        return;
    }
    QTableView::mousePressEvent(event);
}

int ContactListView::textWidth(const QString &text, const QFontMetrics &metrics)
{
    // Sums of character widths: exact enough for sizing columns and fast for a hundred thousand rows. The list
    // draws no more of a cell than the model gives it.
    int width = 0;
    const qsizetype shown = std::min(text.size(), ContactListModel::kShownCharacters);
    for (qsizetype i = 0; i < shown; ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size()) {
            width += metrics.horizontalAdvance(text.mid(i, 2));
            ++i;
            continue;
        }
        qint16 &advance = m_advance[c.unicode()];
        if (advance == 0)
            advance = qint16(std::max(1, metrics.horizontalAdvance(c)));
        width += advance;
    }
    return width;
}

void ContactListView::autoSizeColumns()
{
    if (!m_model)
        return;
    constexpr int cellPadding = 14;   // the delegate's margins on both sides
    constexpr int headerPadding = 28; // margins and the sort arrow
    const QFontMetrics headerMetrics = horizontalHeader()->fontMetrics();
    const QFontMetrics cellMetrics = fontMetrics();
    const int columns = m_model->columnCount();
    std::vector<int> widest(std::size_t(columns), 0);
    for (int column = 0; column < columns; ++column) {
        const QString header = m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        widest[std::size_t(column)] = headerMetrics.horizontalAdvance(header) + headerPadding;
    }
    // Row by row in table order: a record's texts were read one after the other, so this walks memory in order.
    const RowOrder &rows = m_model->rows();
    const ContactTable &table = m_model->table();
    for (int row : rows.rowsInTableOrder()) {
        if (rows[row].blank)
            continue; // shows nothing
        const ContactRecord &r = table[rows[row].index];
        const QString *texts[kContactColumns] = {&r.FullName, &r.Mobile, &r.Landline, &photoCell(r), &r.Email, &r.QQ};
        for (int column = 0; column < columns; ++column) {
            int &width = widest[std::size_t(column)];
            width = std::max(width, textWidth(*texts[column], cellMetrics) + cellPadding);
        }
    }
    for (int column = 0; column < columns; ++column)
        setColumnWidth(column, widest[std::size_t(column)]);
}

} // namespace vecardia
