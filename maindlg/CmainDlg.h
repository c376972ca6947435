#pragma once
#include "platform/CDialog.h"

#include <QPoint>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class CKadoDlg;
class CshowHistoryDlg;
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

    // The drill bar and the statistics browser, built at their first use
    // and reused from then on.
    CKadoDlg& DrillBar();
    CshowHistoryDlg& ShowHistoryDlg();

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
    // Empty until their first use: built with the main dialog, they and the
    // bar fonts held back its first paint by a sixth of the start, and a
    // learner may start no drill and open no statistics at all.
    std::unique_ptr<CKadoDlg> m_drillBar;
    std::unique_ptr<CshowHistoryDlg> m_showHistoryDlg;
    // The word count of the list last found listed, for the browser.
    std::int32_t m_historyWordCount = 0;
    // Where the window's client area was before a drill, until it is
    // active again.
    std::optional<QPoint> m_returningTo;
};
