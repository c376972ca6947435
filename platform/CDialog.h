#pragma once
#include <QDialog>
#include <QPointer>
#include <functional>
#include <map>
#include <string>

#include "res/DialogTemplate.h"

// The dialog model the program is written against: a numbered template,
// controls addressed by ID, data exchange between member strings and
// controls at fixed points, OnInitDialog before the window shows, and
// EndDialog to finish a modal run. The window object lives as long as the
// C++ object; every run starts from the template's state again, as a
// dialog created anew from its resource would.
class CDialog : public QDialog {
    Q_OBJECT
public:
    using ControlFactory = std::function<QWidget*(QWidget* parent)>;

    explicit CDialog(int templateId, QWidget* parent = nullptr);
    ~CDialog() override;

    // Modal run through the modal seam: OnInitDialog, then the event loop,
    // unless the dialog was ended during its initialisation.
    int DoModal();
    // The modal run itself, as the seam's default.
    int RunModalNow();
    // Modeless: becomes an owned pop-up of `parent`, initialised, not shown.
    bool Create(QWidget* parent);
    void EndDialog(int result);
    // A modal run then blocks this window alone, not the owner's other owned
    // windows (see RunOwnerModal); without an owner the run is application-modal.
    void SetModalOwner(QWidget* owner) { m_modalOwner = owner; }
    // save true: controls -> members; false: members -> controls.
    bool UpdateData(bool saveAndValidate = true);

    int TemplateId() const { return m_template->id; }
    // The control ID a template gave a control, 0 for none; the object name
    // holds the template's name for it, what a reader calls it.
    static int ControlId(const QWidget* control);
    static void SetControlId(QWidget* control, int id);
    QWidget* GetDlgItem(int id) const;
    template <class T> T* Item(int id) const { return qobject_cast<T*>(GetDlgItem(id)); }
    // Pixel rectangle of a template rectangle given in dialog units.
    QRect DialogUnitsToPixels(int x, int y, int width, int height) const;

protected:
    // Creates the template's controls. A factory replaces the standard
    // widget of one control ID by the dialog's own class.
    void BuildControls(const std::map<int, ControlFactory>& factories = {});

    virtual bool OnInitDialog();
    virtual void DoDataExchange(bool saveAndValidate);
    virtual void OnOK();
    virtual void OnCancel();

    // Text exchange between a control and a member, CP932 or QString.
    void DDX_Text(bool saveAndValidate, int id, std::string& member);
    void DDX_Text(bool saveAndValidate, int id, QString& member);

    void accept() override;
    void reject() override;

private:
    void ResetToTemplate();

    const DialogTemplate* m_template;
    QPointer<QWidget> m_modalOwner;
    bool m_initialising = false;
    bool m_endedDuringInit = false;
};
