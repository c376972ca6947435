#pragma once
#include <QBrush>
#include <QObject>
#include <QPalette>
#include <QPoint>
#include <functional>

class QPainter;
class QWidget;

// The look of one bar: the raised frame on the dialog background, or, in
// see-through mode, the colour the screen copy holds under the bar's
// client corner. The sample point follows the bar's moves, so a bar moved
// while see-through takes the colour of its new place.
class SeeThroughLook : public QObject {
public:
    // `recolour` gives the bar's controls the look's colours; without one,
    // the bar's palette carries them to its controls.
    explicit SeeThroughLook(QWidget* bar, std::function<void()> recolour = {});

    bool SeeThrough() const { return m_seeThrough; }
    // The bar's client corner on the screen, as of its last move.
    QPoint SamplePoint() const { return m_samplePoint; }
    // The sampled colour while see-through; no brush otherwise.
    QBrush BackBrush() const { return m_backBrush; }

    // Switches the mode only: the drill bar switches first and lets the
    // look follow once the screen copy is taken. Refresh shows it.
    void SetSeeThrough(bool on) { m_seeThrough = on; }
    // Samples the screen copy afresh while see-through, recolours the bar
    // and has it repainted.
    void Refresh();
    // As after the bar's initialisation: not see-through, no brush, the
    // sample point at the bar's present corner.
    void Reset();

    // The bar's own background: the sampled colour, or the raised frame.
    void Paint(QPainter& painter) const;
    // `base` with the background roles (window, base, button) in the
    // sampled colour and their text roles readable on it while
    // see-through; `base` itself otherwise.
    QPalette BackgroundPalette(QPalette base = QPalette()) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_bar;
    std::function<void()> m_recolour;
    bool m_seeThrough = false;
    QPoint m_samplePoint;
    QBrush m_backBrush;
};
