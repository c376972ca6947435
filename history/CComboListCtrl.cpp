#include "history/CComboListCtrl.h"

#include "platform/CDialog.h"
#include "platform/WinMessages.h"
#include "history/CInPlaceCombo.h"
#include "history/CInPlaceEdit.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>

namespace {

void MarkColumn(std::list<std::int32_t>& columns, std::int32_t column, bool on)
{
    const auto found = std::find(columns.begin(), columns.end(), column);
    if (on && found == columns.end())
        columns.push_back(column);
    else if (!on && found != columns.end())
        columns.erase(found);
}

} // namespace

CComboListCtrl::CComboListCtrl(QWidget* parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(0);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setSortingEnabled(false);
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    // A column may be as narrow as its owner makes it, down to nothing.
    header()->setMinimumSectionSize(0);
    setColumnCount(0);
    // Scrolling by hand ends an open edit; scrolls the program makes itself
    // (bringing a cell into view) do not.
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this, [this] { OnScrollAction(); });
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this] { OnScrollAction(); });
}

CComboListCtrl::~CComboListCtrl()
{
    CInPlaceCombo::ReleaseInstance();
    CInPlaceEdit::ReleaseInstance();
}

void CComboListCtrl::MarkComboColumn(std::int32_t column, bool on) { MarkColumn(m_comboColumns, column, on); }

void CComboListCtrl::MarkReadOnlyColumn(std::int32_t column, bool on) { MarkColumn(m_readOnlyColumns, column, on); }

bool CComboListCtrl::IsComboColumn(std::int32_t column) const
{
    return std::find(m_comboColumns.begin(), m_comboColumns.end(), column) != m_comboColumns.end();
}

bool CComboListCtrl::IsReadOnlyColumn(std::int32_t column) const
{
    return std::find(m_readOnlyColumns.begin(), m_readOnlyColumns.end(), column) != m_readOnlyColumns.end();
}

bool CComboListCtrl::event(QEvent* event)
{
    // A click gives the focus only when it lands on a cell (mousePressEvent
    // takes it then), so a click beside the cells leaves the focus where it
    // was. Tab still reaches the list. The dialog sets the focus policy from
    // its template after construction, hence the adjustment at polish time.
    if (event->type() == QEvent::Polish)
        setFocusPolicy((focusPolicy() & Qt::TabFocus) ? Qt::TabFocus : Qt::NoFocus);
    return QTreeWidget::event(event);
}

int CComboListCtrl::RowAt(int y) const
{
    if (columnCount() == 0)
        return -1;
    const QModelIndex index = indexAt(QPoint(columnViewportPosition(0), y));
    return index.isValid() ? index.row() : -1;
}

QRect CComboListCtrl::RowBounds(int row) const
{
    const QModelIndex index = model()->index(row, 0);
    if (!index.isValid())
        return QRect();
    QRect bounds = visualRect(index);
    bounds.setLeft(-header()->offset());
    bounds.setWidth(header()->length());
    return bounds;
}

bool CComboListCtrl::CellFromPoint(const QPoint& point, std::int32_t* row, std::int32_t* column) const
{
    if (!row || !column)
        return false;
    *row = RowAt(point.y());
    *column = 0;
    const QRect bounds = RowBounds(*row);
    if (!bounds.contains(point))
        return false;
    // Both ends of a column count as its own, so a point on a border belongs
    // to the column left of it.
    int x = bounds.left();
    for (int i = 0; i < header()->count(); ++i) {
        const int width = columnWidth(i);
        if (point.x() >= x && point.x() <= x + width) {
            *column = i;
            return true;
        }
        x += width;
    }
    return false;
}

void CComboListCtrl::MakeColumnVisible(int column, QRect& rect)
{
    int offset = 0;
    for (int i = 0; i < column; ++i)
        offset += columnWidth(i);
    const int width = columnWidth(column);
    const int x = rect.left() + offset;
    const int clientRight = viewport()->width();
    int dx = 0;
    if (x < 0 || x > clientRight)
        dx = x;
    else if (x + width > clientRight)
        dx = x + width - clientRight;
    // The view cannot scroll past its ends; the rectangle follows the
    // distance actually scrolled, so the editor lands on the cell.
    QScrollBar* bar = horizontalScrollBar();
    const int before = bar->value();
    bar->setValue(before + dx);
    const int scrolled = bar->value() - before;
    rect.moveLeft(x - scrolled);
    rect.setWidth(width);
}

void CComboListCtrl::GetCellRect(int row, int column, QRect& rect)
{
    rect = RowBounds(row);
    MakeColumnVisible(column, rect);
}

CInPlaceCombo* CComboListCtrl::OpenComboEditor(int row, int column, const QStringList& items, const QString& text)
{
    const QModelIndex index = model()->index(row, 0);
    if (!index.isValid())
        return nullptr;
    // A row that shows at least in part is left where it is.
    if (!viewport()->rect().intersects(visualRect(index)))
        scrollTo(index, QAbstractItemView::EnsureVisible);
    if (column < 0 || column >= columnCount() || columnWidth(column) < kMinComboColumnWidth)
        return nullptr;
    QRect rect;
    GetCellRect(row, column, rect);
    // The editor's window also holds its drop-down: room for one row more
    // than the items, at most kMaxComboDropRows + 1 rows.
    const int h = rect.height();
    const int rows = static_cast<int>(std::min<qsizetype>(items.size(), kMaxComboDropRows)) + 1;
    rect.setBottom(rect.bottom() + h * rows);
    CInPlaceCombo* combo = CInPlaceCombo::Instance();
    combo->Open(m_comboStyle, rect, this, 0, row, column, items, text);
    return combo;
}

CInPlaceEdit* CComboListCtrl::OpenTextEditor(int row, int column, const QString& text)
{
    CInPlaceEdit* edit = CInPlaceEdit::Instance();
    QRect rect;
    GetCellRect(row, column, rect);
    edit->Open(m_editStyle, rect, this, 0, row, column, m_validChars, text);
    return edit;
}

void CComboListCtrl::mousePressEvent(QMouseEvent* event)
{
    std::int32_t row = -1;
    std::int32_t column = -1;
    m_pressDropped = !CellFromPoint(event->position().toPoint(), &row, &column);
    if (m_pressDropped) {
        event->accept();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    QTreeWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    if (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))
        return;
    const QString text = GetItemText(row, column);
    if (currentIndex().row() != row)
        return;
    if (IsComboColumn(column)) {
        QStringList items;
        SendMessage(parentWidget(), UWM_COMBO_ITEMS, static_cast<quintptr>(column), &items);
        if (CInPlaceCombo* combo = OpenComboEditor(row, column, items, text))
            combo->SelectString(-1, text);
    } else if (!IsReadOnlyColumn(column)) {
        OpenTextEditor(row, column, text);
    }
}

void CComboListCtrl::mouseMoveEvent(QMouseEvent* event)
{
    if (m_pressDropped && event->buttons() != Qt::NoButton) {
        event->accept();
        return;
    }
    QTreeWidget::mouseMoveEvent(event);
}

void CComboListCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_pressDropped) {
        m_pressDropped = event->buttons() != Qt::NoButton;
        event->accept();
        return;
    }
    QTreeWidget::mouseReleaseEvent(event);
}

bool CComboListCtrl::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (IsReadOnlyColumn(index.column()))
        return false;
    return QTreeWidget::edit(index, trigger, event);
}

void CComboListCtrl::OnScrollAction()
{
    if (!hasFocus())
        setFocus(Qt::OtherFocusReason);
}

void CComboListCtrl::OnEndLabelEdit(const CellEditRecord& record)
{
    SetItemText(record.row, record.column, record.text);
    CellEditRecord sent = record;
    SendMessage(parentWidget(), UWM_CELL_EDITED, static_cast<quintptr>(ControlId()), &sent);
}

int CComboListCtrl::InsertColumn(int column, const QString& header, int width)
{
    // The tables are built left to right; a column goes after the last one.
    Q_ASSERT(column == columnCount());
    const int index = columnCount();
    setColumnCount(index + 1);
    headerItem()->setText(index, header);
    setColumnWidth(index, width);
    return index;
}

void CComboListCtrl::DeleteAllColumns() { setColumnCount(0); }

int CComboListCtrl::InsertItem(int row, const QString& text)
{
    const int index = std::clamp(row, 0, topLevelItemCount());
    auto* item = new QTreeWidgetItem;
    item->setText(0, text);
    insertTopLevelItem(index, item);
    item->setSelected(true);
    // Taking the focus mark does not scroll the list, now or when it shows:
    // a freshly filled list shows its first rows.
    const bool autoScroll = hasAutoScroll();
    setAutoScroll(false);
    selectionModel()->setCurrentIndex(indexFromItem(item), QItemSelectionModel::NoUpdate);
    setAutoScroll(autoScroll);
    return index;
}

bool CComboListCtrl::SetItemText(int row, int column, const QString& text)
{
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item || column < 0 || column >= columnCount())
        return false;
    item->setText(column, text);
    return true;
}

QString CComboListCtrl::GetItemText(int row, int column) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    if (!item || column < 0 || column >= columnCount())
        return QString();
    return item->text(column);
}

void CComboListCtrl::DeleteAllItems() { clear(); }

int CComboListCtrl::GetItemCount() const { return topLevelItemCount(); }

int CComboListCtrl::ControlId() const { return CDialog::ControlId(this); }
