#pragma once
#include <QTreeWidget>
#include <cstdint>
#include <list>

class CInPlaceCombo;
class CInPlaceEdit;
struct CellEditRecord;

// A report list whose cells are edited in place: a click on a cell of the
// focused row opens a drop-down over it for the combo columns (the parent
// supplies the items through UWM_COMBO_ITEMS) or a single-line edit for the
// other columns that are not read-only. When the editor loses the focus its
// text goes into the cell and the parent hears of it through UWM_CELL_EDITED.
//
// Coordinates are those of the viewport, the list's client area below the
// header.
class CComboListCtrl : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr std::uint32_t kEditStyle = 0x1C0;      // auto-scroll, no hidden selection
    static constexpr std::uint32_t kComboStyle = 0x508008C3; // visible bordered drop-down list, unsorted
    static constexpr int kMinComboColumnWidth = 10;
    static constexpr int kMaxComboDropRows = 10;

    explicit CComboListCtrl(QWidget* parent = nullptr);
    ~CComboListCtrl() override;

    void MarkComboColumn(std::int32_t column, bool on);
    void MarkReadOnlyColumn(std::int32_t column, bool on);
    bool IsComboColumn(std::int32_t column) const;
    bool IsReadOnlyColumn(std::int32_t column) const;

    // True when `point` lies on a cell; a missing output gives false.
    bool CellFromPoint(const QPoint& point, std::int32_t* row, std::int32_t* column) const;
    // The cell's rectangle after its column has been scrolled into view.
    void GetCellRect(int row, int column, QRect& rect);
    // Null when the cell cannot take a drop-down (row gone, column out of
    // range or too narrow to use).
    CInPlaceCombo* OpenComboEditor(int row, int column, const QStringList& items, const QString& text);
    CInPlaceEdit* OpenTextEditor(int row, int column, const QString& text);

    // An editor's end of edit: the cell takes the text, then the parent is told.
    void OnEndLabelEdit(const CellEditRecord& record);

    // Rows and columns, addressed by index as in a classic report list.
    int InsertColumn(int column, const QString& header, int width);
    void DeleteAllColumns();
    // The new row becomes selected and takes the focus mark.
    int InsertItem(int row, const QString& text);
    bool SetItemText(int row, int column, const QString& text);
    QString GetItemText(int row, int column) const;
    void DeleteAllItems();
    int GetItemCount() const;
    // The control ID the dialog gave this list, 0 without one.
    int ControlId() const;

    std::list<std::int32_t> m_comboColumns;
    std::list<std::int32_t> m_readOnlyColumns;
    // Characters the in-place edit accepts; empty means any.
    QString m_validChars;
    std::uint32_t m_editStyle = kEditStyle;
    std::uint32_t m_comboStyle = kComboStyle;

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // The view's own editing: refused for read-only columns.
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

private:
    QRect RowBounds(int row) const;
    int RowAt(int y) const;
    void MakeColumnVisible(int column, QRect& rect);
    void OnScrollAction();

    // The view never sees a press beside the cells, nor the drag and the
    // release that belong to it.
    bool m_pressDropped = false;
};
