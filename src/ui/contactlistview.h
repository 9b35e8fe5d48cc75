// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFontMetrics>
#include <QTableView>

#include <array>

namespace vecardia {

class ContactListModel;

// The report-style contact list: whole-row selection, no editing in place, red and black cell texts from the
// model's colour codes, one sort per header click, and the Edit menu on a right click.
class ContactListView final : public QTableView {
    Q_OBJECT

public:
    explicit ContactListView(QWidget *parent = nullptr);

    void setContactModel(ContactListModel *model);
    [[nodiscard]] ContactListModel *contactModel() const { return m_model; }

    // Every column as wide as the wider of its header and its widest cell.
    void autoSizeColumns();
    // The row selected, or -1.
    [[nodiscard]] int selectedRow() const;

Q_SIGNALS:
    void rowClicked(int row);
    // The current row moved to another row, by the keyboard or the mouse.
    void currentRowChanged(int row);
    void headerClicked(int column);
    void popupRequested(const QPoint &globalPos);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    [[nodiscard]] int textWidth(const QString &text, const QFontMetrics &metrics);

    ContactListModel *m_model = nullptr;
    std::array<qint16, 65536> m_advance{}; // widths of characters seen so far, 0 = not measured yet
};

} // namespace vecardia
