// The answer bars: what each user action sends to the drill bar, and how
// the bars look in and out of see-through mode.
#include "bars/CinputDlg.h"
#include "bars/CtestInputDlg.h"

#include "bars/CEditDescendant.h"
#include "platform/ScreenCopy.h"
#include "platform/WinMessages.h"
#include "support/Controls.h"
#include "support/StandInScreen.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

const QColor kWhite(255, 255, 255);
const QColor kGrey(128, 128, 128);

// Stands in for the drill bar: records each drill message with the answer
// text and the mark's tick as they were when it arrived.
class RecordingBar : public QWidget {
public:
    std::vector<std::string> received;
    std::function<std::string()> state;
    std::function<void(int)> onMessage;

protected:
    bool event(QEvent* e) override
    {
        static const char* const names[] = {"NEXT", "ANSWER", "PREV", "SPELL", "CLOSE"};
        const int type = e->type();
        if (type < WM_DRILL_NEXT || type > WM_DRILL_SHOW)
            return QWidget::event(e);
        const int index = type - WM_DRILL_NEXT;
        received.push_back(std::string(index < 5 ? names[index] : "?") + (state ? " " + state() : ""));
        if (onMessage)
            onMessage(type);
        return true;
    }
};

template <class Bar> struct Fixture {
    Fixture()
    {
        bar = new Bar;
        bar->Create(&drillBar);
        bar->show();
        drillBar.state = [this] { return bar->m_answerText; };
    }
    ~Fixture() { delete bar; }
    RecordingBar drillBar;
    Bar* bar;
};

using FreeBar = Fixture<CtestInputDlg>;
using TestBar = Fixture<CinputDlg>;
using Strings = std::vector<std::string>;

// A window filling the screen, left half `left` and right half `right`,
// copied as the see-through switch copies the screen.
struct TwoColourScreen {
    TwoColourScreen(QColor left, QColor right)
    {
        const QRect area = QGuiApplication::primaryScreen()->geometry();
        QPalette palette;
        palette.setColor(QPalette::Window, left);
        window.setPalette(palette);
        window.setAutoFillBackground(true);
        window.setGeometry(area);
        auto* half = new QWidget(&window);
        palette.setColor(QPalette::Window, right);
        half->setPalette(palette);
        half->setAutoFillBackground(true);
        half->setGeometry(area.width() / 2, 0, area.width() - area.width() / 2, area.height());
        window.show();
        QCoreApplication::processEvents();
        ScreenCopyDC.Reset();
        TakeScreenCopy({});
        window.hide();
    }
    ~TwoColourScreen() { ScreenCopyDC.Reset(); }
    QWidget window{nullptr, Qt::FramelessWindowHint};
};

std::string Corners(QWidget* bar)
{
    const QImage image = bar->grab().toImage();
    const int midX = image.width() / 2;
    const int midY = image.height() / 2;
    std::string corners;
    for (QPoint p : {QPoint(0, midY), QPoint(midX, 0), QPoint(image.width() - 1, midY), QPoint(midX, image.height() - 1)}) {
        const QColor c = image.pixelColor(p);
        corners += c == kWhite ? 'W' : c == kGrey ? 'G' : '.';
    }
    return corners;
}

} // namespace

TEST(AnswerBars, Create_OwnedOnTopToolWindowAtScreenCentre)
{
    FreeBar free;
    TestBar test;
    for (CDialog* bar : {static_cast<CDialog*>(free.bar), static_cast<CDialog*>(test.bar)}) {
        SCOPED_TRACE(bar->TemplateId());
        EXPECT_TRUE(bar->isWindow());
        EXPECT_EQ(bar->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
        EXPECT_TRUE(bar->windowFlags() & Qt::FramelessWindowHint);
        EXPECT_TRUE(bar->windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_TRUE(bar->isVisible());
        EXPECT_EQ(bar->geometry(), QRect(400, 400, 160, 25));
    }
    EXPECT_EQ(free.bar->parentWidget(), &free.drillBar);
    EXPECT_EQ(test.bar->parentWidget(), &test.drillBar);
    EXPECT_EQ(free.bar->m_look.SamplePoint(), QPoint(400, 400));
    EXPECT_EQ(test.bar->m_look.SamplePoint(), QPoint(400, 400));
    EXPECT_FALSE(free.bar->m_look.SeeThrough() || test.bar->m_look.SeeThrough());
    EXPECT_EQ(free.bar->m_look.BackBrush().style(), Qt::NoBrush);
    EXPECT_EQ(test.bar->m_look.BackBrush().style(), Qt::NoBrush);
    EXPECT_TRUE(free.drillBar.received.empty());
    EXPECT_TRUE(test.drillBar.received.empty());
}

TEST(CtestInputDlg, EveryTextChange_OneSpellAfterTheTextIsTaken)
{
    FreeBar fixture;
    CEditDescendant* edit = Control<CEditDescendant>(fixture.bar, "answerEdit");
    edit->setFocus();

    QTest::keyClicks(edit, QStringLiteral("ab1"));    // the digit changes nothing
    QTest::keyClick(edit, Qt::Key_Backspace);
    edit->selectAll();                                 // what the drill bar does
    QTest::keyClicks(edit, QStringLiteral("x"));      // replaces the selection
    QApplication::clipboard()->setText(QStringLiteral("y2"));
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    edit->setText(QStringLiteral("xy2"));              // no change, no message
    edit->setText(QStringLiteral("z"));                // a change the program makes counts too

    EXPECT_EQ(fixture.drillBar.received,
              (Strings{"SPELL a", "SPELL ab", "SPELL a", "SPELL x", "SPELL xy2", "SPELL z"}));
}

TEST(CtestInputDlg, Prev_SendsPrevThenUnticksTheMark)
{
    FreeBar fixture;
    auto* mark = Control<QCheckBox>(fixture.bar, "markCheck");
    mark->setChecked(true);
    fixture.drillBar.state = [&] { return mark->isChecked() ? "ticked" : "unticked"; };
    // The drill bar ticks the mark of the card it steps to; the bar unticks
    // it afterwards regardless.
    fixture.drillBar.onMessage = [&](int) { mark->setChecked(true); };

    QTest::mouseClick(Control<QPushButton>(fixture.bar, "prevButton"), Qt::LeftButton);

    EXPECT_EQ(fixture.drillBar.received, (Strings{"PREV ticked"}));
    EXPECT_FALSE(mark->isChecked());
}

TEST(CtestInputDlg, NextButtonOrEnter_SendsNextAlsoWhileSeeThrough)
{
    FreeBar fixture;
    CEditDescendant* edit = Control<CEditDescendant>(fixture.bar, "answerEdit");
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("ab"));
    fixture.drillBar.received.clear();

    QTest::mouseClick(Control<QPushButton>(fixture.bar, "nextButton"), Qt::LeftButton);
    QTest::keyClick(edit, Qt::Key_Return);
    fixture.bar->SetSeeThrough(true);
    QTest::keyClick(edit, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::mouseClick(Control<QCheckBox>(fixture.bar, "markCheck"), Qt::LeftButton);

    EXPECT_EQ(fixture.drillBar.received, (Strings{"NEXT ab", "NEXT ab", "NEXT ab"}));
    EXPECT_EQ(edit->text(), QStringLiteral("ab"));
}

TEST(CinputDlg, TypingAlone_SendsNothing_OkOrEnterSendsAnswerWithTheText)
{
    TestBar fixture;
    CEditDescendant* edit = Control<CEditDescendant>(fixture.bar, "answerEdit");
    edit->setFocus();

    QTest::keyClicks(edit, QStringLiteral("Apple"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_TRUE(fixture.drillBar.received.empty());

    QTest::mouseClick(Control<QPushButton>(fixture.bar, "okButton"), Qt::LeftButton);
    QTest::keyClicks(edit, QStringLiteral("e"));
    QTest::keyClick(edit, Qt::Key_Return);
    fixture.bar->SetSeeThrough(true);
    QTest::keyClicks(edit, QStringLiteral("s"));
    QTest::keyClick(edit, Qt::Key_Return);

    EXPECT_EQ(fixture.drillBar.received, (Strings{"ANSWER Appl", "ANSWER Apple", "ANSWER Apples"}));
}

TEST(AnswerBars, Close_SendsCloseAndTheBarGoes_EscapeDoesNothing)
{
    FreeBar free;
    TestBar test;
    struct Bar {
        CDialog* bar;
        RecordingBar& drillBar;
    };
    for (Bar b : {Bar{free.bar, free.drillBar}, Bar{test.bar, test.drillBar}}) {
        SCOPED_TRACE(b.bar->TemplateId());
        b.drillBar.state = nullptr;
        QTest::keyClick(b.bar->findChild<QLineEdit*>("answerEdit"), Qt::Key_Escape);
        QTest::keyClick(b.bar, Qt::Key_Escape);
        EXPECT_TRUE(b.drillBar.received.empty());
        EXPECT_TRUE(b.bar->isVisible());

        b.bar->close();
        EXPECT_EQ(b.drillBar.received, (Strings{"CLOSE"}));
        EXPECT_FALSE(b.bar->isVisible());
    }
}

TEST(AnswerBars, SetSeeThrough_HidesButtonsAndFrames_OffShowsThemAgain)
{
    FreeBar free;
    TestBar test;
    auto visible = [](std::initializer_list<QWidget*> widgets) {
        std::string shown;
        for (QWidget* w : widgets)
            shown += w->isVisible() ? '1' : '0';
        return shown;
    };
    auto freeState = [&] {
        auto* edit = Control<CEditDescendant>(free.bar, "answerEdit");
        return visible({Control<QPushButton>(free.bar, "nextButton"), Control<QPushButton>(free.bar, "prevButton"),
                        Control<QCheckBox>(free.bar, "markCheck"), edit}) +
               (edit->m_seeThrough ? " see-through " : " normal ") + Corners(free.bar);
    };
    auto testState = [&] {
        auto* edit = Control<CEditDescendant>(test.bar, "answerEdit");
        return visible({Control<QPushButton>(test.bar, "okButton"), edit}) +
               (edit->m_seeThrough ? " see-through " : " normal ") + Corners(test.bar);
    };
    EXPECT_EQ(freeState(), "1111 normal WWGG");
    EXPECT_EQ(testState(), "11 normal WWGG");

    free.bar->SetSeeThrough(true);
    test.bar->SetSeeThrough(true);
    EXPECT_EQ(freeState(), "0001 see-through ....");
    EXPECT_EQ(testState(), "01 see-through ....");
    EXPECT_TRUE(free.bar->m_look.SeeThrough() && test.bar->m_look.SeeThrough());

    free.bar->SetSeeThrough(false);
    test.bar->SetSeeThrough(false);
    EXPECT_EQ(freeState(), "1111 normal WWGG");
    EXPECT_EQ(testState(), "11 normal WWGG");
}

TEST(AnswerBars, SeeThrough_PaintsTheCopiedColourAtTheBarsCorner_AlsoAfterAMove)
{
    const QColor left(200, 30, 30);
    const QColor right(30, 30, 200);
    TwoColourScreen screen(left, right);
    // Any copy taken from here on would be counted, and be of another colour.
    StandInScreen laterCopies;
    TestBar fixture;
    CinputDlg* bar = fixture.bar;
    bar->move(100, 100);
    QCoreApplication::processEvents();
    ASSERT_EQ(bar->m_look.SamplePoint(), QPoint(100, 100));

    bar->SetSeeThrough(true);
    EXPECT_EQ(bar->m_look.BackBrush().color(), left);
    QImage image = bar->grab().toImage();
    EXPECT_EQ(image.pixelColor(1, 1), left);
    EXPECT_EQ(Control<CEditDescendant>(bar, "answerEdit")->grab().toImage().pixelColor(5, 5), left);

    bar->move(600, 100);
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->m_look.SamplePoint(), QPoint(600, 100));
    EXPECT_EQ(bar->m_look.BackBrush().color(), right);
    image = bar->grab().toImage();
    EXPECT_EQ(image.pixelColor(1, 1), right);
    EXPECT_EQ(Control<CEditDescendant>(bar, "answerEdit")->grab().toImage().pixelColor(5, 5), right);
    EXPECT_EQ(laterCopies.asked, 0);

    bar->SetSeeThrough(false);
    EXPECT_EQ(Control<CEditDescendant>(bar, "answerEdit")->grab().toImage().pixelColor(5, 5),
              QApplication::palette().color(QPalette::Base));
}
