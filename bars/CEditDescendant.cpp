#include "bars/CEditDescendant.h"

#include "platform/DrawingObjects.h"
#include "bars/BarLook.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>

namespace {

// A spelling never holds a digit nor one of these.
constexpr QStringView kRefusedCharacters = u"0123456789\"',./:;<>?\\|";

QString WithoutRefused(const QString& text)
{
    QString kept;
    kept.reserve(text.size());
    for (QChar c : text)
        if (!kRefusedCharacters.contains(c))
            kept.append(c);
    return kept;
}

} // namespace

CEditDescendant::CEditDescendant(QWidget* parent) : QLineEdit(parent) {}

void CEditDescendant::keyPressEvent(QKeyEvent* event)
{
    const QString kept = WithoutRefused(event->text());
    if (kept.size() == event->text().size()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    // Refused silently: the key is taken without reaching the edit.
    if (kept.isEmpty()) {
        event->accept();
        return;
    }
    QKeyEvent filtered(event->type(), event->key(), event->modifiers(), kept, event->isAutoRepeat(),
                       static_cast<ushort>(event->count()));
    QLineEdit::keyPressEvent(&filtered);
    event->setAccepted(filtered.isAccepted());
}

void CEditDescendant::inputMethodEvent(QInputMethodEvent* event)
{
    const QString kept = WithoutRefused(event->commitString());
    if (kept.size() == event->commitString().size()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(kept, event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&filtered);
    event->setAccepted(filtered.isAccepted());
}

void CEditDescendant::paintEvent(QPaintEvent* event)
{
    QLineEdit::paintEvent(event);
    if (m_seeThrough)
        return;
    // A one-line sunken border: dark on the left and top, light on the right
    // and bottom. Half of each pen's width falls outside the edit.
    const int w = width();
    const int h = height();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(WithRoundEnds(SunkenLeftPen));
    painter.drawLine(QPoint(0, h - 1), QPoint(0, 1));
    painter.setPen(WithRoundEnds(SunkenRightPen));
    painter.drawLine(QPoint(w - 1, h - 1), QPoint(w - 1, 0));
    painter.setPen(WithRoundEnds(SunkenTopPen));
    painter.drawLine(QPoint(-1, 0), QPoint(w - 1, 0));
    painter.setPen(WithRoundEnds(SunkenBottomPen));
    painter.drawLine(QPoint(0, h), QPoint(w - 1, h));
}
