// The card stays readable whatever the desktop's colours: every state of it
// against what the drill bar paints behind it, under a light and a dark
// palette and in see-through mode over a dark and a grey screen.
#include "DrillBarHarness.h"

#include "platform/DrawingObjects.h"
#include "platform/SharedValues.h"
#include "support/StandInScreen.h"
#include "support/TestDatabase.h"

#include <QGuiApplication>
#include <QImage>
#include <cmath>
#include <optional>

using namespace drilltest;

namespace {

// WCAG 2 relative luminance and contrast ratio.
double Channel(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }

double Luminance(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * Channel(rgb.redF()) + 0.7152 * Channel(rgb.greenF()) + 0.0722 * Channel(rgb.blueF());
}

double Contrast(const QColor& a, const QColor& b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

constexpr double kReadable = 4.5;

// Fusion's dark face, as Qt gives it to a desktop in dark mode.
QPalette DarkPalette()
{
    const QColor window(50, 50, 50);
    QPalette dark(Qt::white, window, window.lighter(150), window.darker(150), window.darker(130), Qt::white,
                  Qt::white, window.darker(140), window);
    dark.setColor(QPalette::Highlight, QColor(48, 140, 198));
    return dark;
}

struct CardState {
    const char* name;
    int mode;
    std::function<void(CKadoDlg&)> reach;
    // The colour the state stands for; none for the palette's own text.
    std::optional<QColor> meant;
};

struct Seen {
    QColor text;
    QColor background;
};

// The card as the bar paints it: the label's text colour, and the bar's
// pixels behind the label where the short text does not reach.
Seen SeenOn(CKadoDlg& b)
{
    QCoreApplication::processEvents();
    const QImage shot = b.grab().toImage();
    const QLabel* card = Control<QLabel>(&b, "cardLabel");
    const QRect label = card->geometry();
    const QPoint behind(label.right() - 3, label.center().y());
    return {card->palette().color(card->foregroundRole()), shot.pixelColor(behind)};
}

CEditDescendant* AnswerEdit(CKadoDlg& b)
{
    const QWidget* answerBar = b.m_freeAnswerBar ? static_cast<QWidget*>(b.m_freeAnswerBar) : b.m_testAnswerBar;
    return Control<CEditDescendant>(answerBar, "answerEdit");
}

void SwitchSeeThrough(CKadoDlg& b, bool on)
{
    if (b.m_look.SeeThrough() == on)
        return;
    SendMessage(&b, WM_DRILL_SEETHROUGH);
    ASSERT_TRUE(WaitUntil([&] { return b.isVisible() && b.m_look.SeeThrough() == on; }));
}

class CardReadability : public ::testing::Test {
protected:
    void SetUp() override
    {
        BarWindow = nullptr;
        cards = ThreeCards();
        light = QGuiApplication::palette();
    }
    void TearDown() override
    {
        QApplication::setPalette(light);
    }
    void UseScreen(QColor colour)
    {
        desktop.reset();
        desktop.emplace(colour);
    }

    TestDatabase database;
    std::vector<WordCard> cards;
    CKadoDlg bar;
    DrillHarness harness;
    QPalette light;
    std::optional<StandInScreen> desktop;
};

} // namespace

TEST_F(CardReadability, EveryState_LightDarkAndSeeThrough_AtLeastFourAndAHalfToOne)
{
    const QColor wrong(128, 0, 0);
    const QColor right(0, 128, 0);
    const QColor known(128, 128, 255);
    const CardState states[] = {
        {"plain", CKadoDlg::kFree, [](CKadoDlg&) {}, std::nullopt},
        {"revealed", CKadoDlg::kFree, [](CKadoDlg& b) { Control<QPushButton>(&b, "revealButton")->click(); },
         std::nullopt},
        {"judged right", CKadoDlg::kTest, [](CKadoDlg& b) { TypeAnswer(b, CurrentCard(b).word); }, right},
        {"judged wrong", CKadoDlg::kTest, [](CKadoDlg& b) { TypeAnswer(b, "wrong"); }, wrong},
        {"known", CKadoDlg::kFree, [](CKadoDlg& b) { SendMessage(&b, WM_DRILL_MARK); }, known},
        {"spelling matched", CKadoDlg::kFree,
         [](CKadoDlg& b) { QTest::keyClicks(AnswerEdit(b), QStringLiteral("apple")); }, right},
        {"spelling not yet", CKadoDlg::kFree,
         [](CKadoDlg& b) { QTest::keyClicks(AnswerEdit(b), QStringLiteral("app")); }, wrong},
    };
    struct Look {
        const char* name;
        QPalette palette;
        std::optional<QColor> screen; // see-through over a screen of this colour
    };
    const Look looks[] = {
        {"light", light, std::nullopt},
        {"dark", DarkPalette(), std::nullopt},
        {"light, see-through over black", light, QColor(0, 0, 0)},
        // The grey on which black and white both read worst, at about 4.6:1.
        {"dark, see-through over grey", DarkPalette(), QColor(118, 118, 118)},
        {"light, see-through over grey", light, QColor(118, 118, 118)},
        {"dark, see-through over white", DarkPalette(), QColor(255, 255, 255)},
    };

    for (const CardState& state : states) {
        SCOPED_TRACE(state.name);
        ASSERT_EQ(bar.SelectCards(cards, 0, 2), 0);
        bar.m_mode = state.mode;
        harness.Run(bar, [&](CKadoDlg& b) {
            state.reach(b);
            const bool judged = b.m_judged;
            const std::uint8_t judgement = b.m_judgement;
            // The desktop changes its colours while the card stays as it is.
            for (const Look& look : looks) {
                SCOPED_TRACE(look.name);
                QApplication::setPalette(look.palette);
                SwitchSeeThrough(b, false);
                if (look.screen) {
                    UseScreen(*look.screen);
                    SwitchSeeThrough(b, true);
                }
                const Seen seen = SeenOn(b);
                const QColor behind = look.screen ? *look.screen : look.palette.color(QPalette::Window);
                EXPECT_EQ(seen.background, behind);
                EXPECT_GE(Contrast(seen.text, seen.background), kReadable)
                    << "text " << seen.text.name().toStdString() << " on " << seen.background.name().toStdString()
                    << ": " << Contrast(seen.text, seen.background) << ":1";
                if (state.meant) {
                    // A judgement keeps its hue, and where its own colour
                    // reads already, the colour itself.
                    EXPECT_NEAR(seen.text.hslHue(), state.meant->hslHue(), 3) << seen.text.name().toStdString();
                    if (Contrast(*state.meant, seen.background) >= kReadable) {
                        EXPECT_EQ(seen.text, *state.meant);
                    }
                } else if (!look.screen) {
                    EXPECT_EQ(seen.text, look.palette.color(QPalette::WindowText));
                }
                if (look.screen) {
                    // What the learner types floats on the screen as well.
                    const CEditDescendant* edit = AnswerEdit(b);
                    EXPECT_GE(Contrast(edit->palette().color(QPalette::Text), edit->palette().color(QPalette::Base)),
                              kReadable)
                        << "the answer edit";
                }
                EXPECT_EQ(b.m_judged, judged);
                EXPECT_EQ(b.m_judgement, judgement);
            }
            QApplication::setPalette(light);
            SwitchSeeThrough(b, false);
        });
    }
}
