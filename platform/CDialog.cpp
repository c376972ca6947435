#include "platform/CDialog.h"

#include "platform/DigitsValidator.h"
#include "platform/FontSetup.h"
#include "platform/ModalSeam.h"
#include "platform/OwnerModal.h"
#include "platform/SjisText.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <cmath>
#include <vector>

namespace {

constexpr char kTemplateIndexProperty[] = "templateIndex";
constexpr char kControlIdProperty[] = "controlId";

// A dialog's modal run ends when the dialog ends, never because its window
// hides: the main dialog stays hidden for a whole drill inside its run, and
// the drill bar hides while it copies the screen. QDialog::exec() ends at any
// hide of the window (Qt 6.8 also when the hide bypasses QDialog::setVisible),
// so the run is a loop of its own that only `finished` stops.
int RunUntilEnded(QDialog& dialog)
{
    QEventLoop loop;
    bool ended = false;
    QObject::connect(&dialog, &QDialog::finished, &loop, [&] {
        ended = true;
        loop.quit();
    });
    const bool wasShowModal = dialog.testAttribute(Qt::WA_ShowModal);
    dialog.setAttribute(Qt::WA_ShowModal, true);
    dialog.show();
    if (!ended)
        loop.exec(QEventLoop::DialogExec);
    dialog.setAttribute(Qt::WA_ShowModal, wasShowModal);
    return dialog.result();
}

QWidget* CreateStandardControl(const ControlTemplate& control, QWidget* parent)
{
    switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
        return new QPushButton(parent);
    case ControlKind::Static:
        return new QLabel(parent);
    case ControlKind::GroupBox:
        return new QGroupBox(parent);
    case ControlKind::Edit:
        return new QLineEdit(parent);
    case ControlKind::AutoCheckBox:
        return new QCheckBox(parent);
    case ControlKind::DropDownList:
        return new QComboBox(parent);
    case ControlKind::ListBox:
        return new QListWidget(parent);
    case ControlKind::ListView:
        return new QTreeWidget(parent);
    }
    return new QWidget(parent);
}

// A drop-down combo's template height counts its open list; closed it is
// one edit line high.
constexpr int kClosedComboHeightUnits = 12;

void ApplyStyle(const ControlTemplate& control, QWidget* widget)
{
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        button->setDefault(control.kind == ControlKind::DefPushButton);
        button->setAutoDefault(true);
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setAlignment(Qt::AlignLeft |
                            ((control.style & kStyleCentreVertically) ? Qt::AlignVCenter : Qt::AlignTop));
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setFrame(!(control.style & kStyleNoBorder));
        if (control.style & kStyleDigitsOnly)
            edit->setValidator(new DigitsValidator(edit));
    }
    if (auto* list = qobject_cast<QListWidget*>(widget))
        list->setSortingEnabled(control.style & kStyleSorted);
    widget->setFocusPolicy((control.style & kStyleTabStop) ? Qt::StrongFocus : Qt::NoFocus);
}

// A label's buddy is what screen readers read the label with: an edit takes
// the label's text as its name, and a drop-down, whose name is its choice,
// is read as labelled by it. The drop-down's list, read on its own once it
// opens, is called by the label too.
void LinkLabel(QLabel* label, QWidget* control, const QString& text)
{
    if (!label || !control)
        return;
    label->setBuddy(control);
    if (auto* combo = qobject_cast<QComboBox*>(control))
        combo->view()->setAccessibleName(text);
}

} // namespace

CDialog::CDialog(int templateId, QWidget* parent) : QDialog(parent), m_template(FindDialogTemplate(templateId))
{
    Q_ASSERT(m_template);
    if (m_template->caption) {
        setWindowTitle(QString::fromUtf8(m_template->caption));
        setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                       Qt::WindowCloseButtonHint);
    }
    if (m_template->name) {
        setAccessibleName(QString::fromUtf8(m_template->name));
        if (!m_template->caption)
            setWindowTitle(accessibleName());
    }
    QFont dialogFont(InstalledFace(QString::fromUtf8(m_template->fontFace)));
    dialogFont.setPointSize(m_template->fontPointSize);
    setFont(dialogFont);
    setFixedSize(qRound(m_template->width * m_template->pixelsPerUnit),
                 qRound(m_template->height * m_template->pixelsPerUnit));
}

CDialog::~CDialog() = default;

QRect CDialog::DialogUnitsToPixels(int x, int y, int width, int height) const
{
    const double k = m_template->pixelsPerUnit;
    const int left = qRound(x * k);
    const int top = qRound(y * k);
    return QRect(left, top, qRound((x + width) * k) - left, qRound((y + height) * k) - top);
}

void CDialog::BuildControls(const std::map<int, ControlFactory>& factories)
{
    std::vector<QWidget*> widgets;
    for (std::size_t i = 0; i < m_template->controls.size(); ++i) {
        const ControlTemplate& control = m_template->controls[i];
        auto factory = factories.find(control.id);
        QWidget* widget = factory != factories.end() ? factory->second(this) : CreateStandardControl(control, this);
        widgets.push_back(widget);
        if (control.id != -1)
            SetControlId(widget, control.id);
        if (control.objectName)
            widget->setObjectName(QLatin1String(control.objectName));
        widget->setProperty(kTemplateIndexProperty, static_cast<int>(i));
        if (control.name)
            widget->setAccessibleName(QString::fromUtf8(control.name));
        widget->setGeometry(DialogUnitsToPixels(control.x, control.y, control.width, control.height));
        ApplyStyle(control, widget);
        if (control.kind == ControlKind::DropDownList)
            widget->resize(widget->width(), DialogUnitsToPixels(0, 0, 0, kClosedComboHeightUnits).height());
        // A group box only frames: a template may list it after the controls
        // inside it, and it must neither cover them nor take their clicks.
        if (control.kind == ControlKind::GroupBox) {
            widget->setAttribute(Qt::WA_TransparentForMouseEvents);
            widget->lower();
        }
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            if (control.id == ModalSeam::IDOK)
                connect(button, &QAbstractButton::clicked, this, [this] { OnOK(); });
            else if (control.id == ModalSeam::IDCANCEL)
                connect(button, &QAbstractButton::clicked, this, [this] { OnCancel(); });
        }
    }
    for (std::size_t i = 0; i < widgets.size(); ++i) {
        const ControlTemplate& control = m_template->controls[i];
        if (control.labels)
            LinkLabel(qobject_cast<QLabel*>(widgets[i]), GetDlgItem(control.labels), QString::fromUtf8(control.text));
    }
    ResetToTemplate();
}

void CDialog::ResetToTemplate()
{
    for (QObject* child : children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        const QVariant index = child->property(kTemplateIndexProperty);
        if (!widget || !index.isValid())
            continue;
        const ControlTemplate& control = m_template->controls[index.toInt()];
        const QString text = QString::fromUtf8(control.text);
        widget->setEnabled(true);
        widget->setVisible(true);
        if (auto* check = qobject_cast<QCheckBox*>(widget)) {
            check->setChecked(false);
            check->setText(text);
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            button->setText(text);
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            label->setText(text);
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            edit->setText(text);
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            combo->clear();
            for (const char* item : control.items)
                combo->addItem(QString::fromUtf8(item));
            combo->setCurrentIndex(-1);
        } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
            list->clear();
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            group->setTitle(text);
        }
    }
}

int CDialog::ControlId(const QWidget* control) { return control->property(kControlIdProperty).toInt(); }

void CDialog::SetControlId(QWidget* control, int id) { control->setProperty(kControlIdProperty, id); }

QWidget* CDialog::GetDlgItem(int id) const
{
    for (QObject* child : children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && ControlId(widget) == id)
            return widget;
    }
    return nullptr;
}

int CDialog::DoModal()
{
    return ModalSeam::RunDialog(*this, [this] { return RunModalNow(); });
}

int CDialog::RunModalNow()
{
    ResetToTemplate();
    setResult(0);
    m_endedDuringInit = false;
    m_initialising = true;
    OnInitDialog();
    m_initialising = false;
    if (m_endedDuringInit)
        return result();
    return m_modalOwner ? RunOwnerModal(*this, m_modalOwner) : RunUntilEnded(*this);
}

bool CDialog::Create(QWidget* parent)
{
    setParent(parent, windowFlags());
    ResetToTemplate();
    m_initialising = true;
    const bool ok = OnInitDialog();
    m_initialising = false;
    return ok;
}

void CDialog::EndDialog(int result)
{
    if (m_initialising)
        m_endedDuringInit = true;
    done(result);
}

bool CDialog::UpdateData(bool saveAndValidate)
{
    DoDataExchange(saveAndValidate);
    return true;
}

bool CDialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

void CDialog::DoDataExchange(bool) {}

void CDialog::OnOK()
{
    UpdateData(true);
    EndDialog(ModalSeam::IDOK);
}

void CDialog::OnCancel() { EndDialog(ModalSeam::IDCANCEL); }

void CDialog::accept() { OnOK(); }

void CDialog::reject() { OnCancel(); }

void CDialog::DDX_Text(bool saveAndValidate, int id, std::string& member)
{
    QString text = FromSjis(member);
    DDX_Text(saveAndValidate, id, text);
    if (saveAndValidate)
        member = ToSjis(text);
}

void CDialog::DDX_Text(bool saveAndValidate, int id, QString& member)
{
    QWidget* widget = GetDlgItem(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        if (saveAndValidate)
            member = edit->text();
        else if (edit->text() != member)
            edit->setText(member);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        if (saveAndValidate)
            member = label->text();
        else
            label->setText(member);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        if (saveAndValidate)
            member = button->text();
        else
            button->setText(member);
    }
}
