#pragma once
#include "platform/CDialog.h"

#include <QStringList>
#include <cstdint>
#include <string>

class CComboListCtrl;
class QPushButton;

// The statistics browser: one list's stored counters, thirty words a page,
// with each word's level from its card. Save writes the level changes of
// the page on display into the cards (memory only); leaving the page drops
// unsaved ones. Built once by the main dialog and run for the list chosen
// there; each run starts again at page 1.
class CshowHistoryDlg : public CDialog {
    Q_OBJECT
public:
    static constexpr std::int32_t kPageSize = 30;

    explicit CshowHistoryDlg(QWidget* parent = nullptr);

    void OnBnClickedPrev();
    void OnBnClickedNext();
    void OnBnClickedQuery();
    void OnBnClickedSave();

    QPushButton* m_nextButton = nullptr;
    QPushButton* m_prevButton = nullptr;
    CComboListCtrl* m_list = nullptr;
    std::string m_pageText;
    std::string m_pageCountText;
    char m_listName[1024] = {};
    std::int32_t m_wordCount = 0;
    std::int32_t m_page = 0;
    std::int32_t m_pageCount = 0;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(bool saveAndValidate) override;
    bool event(QEvent* event) override;

private:
    void LoadPage();
    long OnComboItems(int column, QStringList* items);
    std::string ListName() const;
};
