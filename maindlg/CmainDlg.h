#pragma once
#include "platform/CDialog.h"
#include "drill/CKadoDlg.h"
#include "history/CshowHistoryDlg.h"

#include <QPoint>
#include <QTimer>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;

// The main window: the learner picks a list, a range, a mode and a level
// and starts a drill; while the store's preload runs it waits and polls.
class CmainDlg : public CDialog {
    Q_OBJECT
public:
    static constexpr char kLoadingText[] = "読取中...";
    static constexpr char kWaitForLoadText[] = "読取中、暫くお待ちください";
    static constexpr char kSelectionInvalidText[] = "selection invalid";
    static constexpr int kPreloadPollMs = 1000;

    explicit CmainDlg(QWidget* parent = nullptr);
    ~CmainDlg() override;

    void RefreshListInfo();
    void OnLbnSelchangeLists();
    void OnBnClickedStart();
    void OnBnClickedShowHistory();

    QCheckBox* m_spellCheck = nullptr;
    QComboBox* m_levelCombo = nullptr;
    QPushButton* m_historyButton = nullptr;
    QListWidget* m_listBox = nullptr;
    QComboBox* m_modeCombo = nullptr;
    // Control contents as CP932, moved to and from the controls only where
    // the handlers say so.
    std::string m_fromText;
    std::string m_toText;
    std::string m_countText;
    CKadoDlg m_drillBar;
    CshowHistoryDlg m_showHistoryDlg;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(bool saveAndValidate) override;
    void done(int result) override;
    bool event(QEvent* event) override;

private:
    std::string SelectedListName() const;
    void ShowMessage(const char* text);
    void RunDrillBarHidden();
    void ReturnToPlace();

    // Polls the preload while it runs (the classic dialog's timer 8).
    QTimer m_preloadTimer;
    // Where the window's client area was before a drill, until it is
    // active again.
    std::optional<QPoint> m_returningTo;
};
