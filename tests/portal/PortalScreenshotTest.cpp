// See-through in a Wayland session: the screen copy is the picture the
// desktop gives through Debian's portal frontend, with the stand-in desktop
// behind it; without it, the copy comes from Qt's grab as on X11.
#include "PrivatePortal.h"
#include "app/DrawingObjects.h"
#include "app/ScreenCopy.h"
#include "app/SharedValues.h"
#include "app/WinMessages.h"
#include "dialogs/CtestInputDlg.h"
#include "drill/DrillBarHarness.h"
#include "support/TestDatabase.h"

#include <QFileInfo>
#include <gtest/gtest.h>

#include <iostream>

using namespace drilltest;

namespace {

const QColor kDesktopColour(0x2a, 0x7f, 0xd4);

struct Case {
    const char* name;
    bool frontend;
    uint screenshotResponse; // 0 grants, 2 refuses
    bool colourFromPortal;
};

class PortalScreenshotTest : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override
    {
        if (!QFileInfo::exists(QLatin1String(PrivatePortal::Frontend)))
            GTEST_SKIP() << PrivatePortal::Frontend << " is missing (Debian's xdg-desktop-portal; tools/setup installs it)";
        const QString error = portal.start({GetParam().frontend, true});
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        if (GetParam().frontend)
            portal.control(QStringLiteral("Configure"),
                           {QVariantMap{{QStringLiteral("Screenshot"), GetParam().screenshotResponse},
                                        {QStringLiteral("Colour"), kDesktopColour.name()}}});
        qputenv("XDG_SESSION_TYPE", "wayland");
        ScreenDC = ScreenCopySourceForSession();
        ScreenCopyDC.Reset();
        BarWindow = nullptr;
        cards = ThreeCards();
        ASSERT_EQ(bar.SelectCards(cards, 0, 2), 0);
        bar.m_mode = CKadoDlg::kFree;
    }

    void TearDown() override
    {
        qunsetenv("XDG_SESSION_TYPE");
        ScreenDC = ScreenCopySourceForSession();
        if (HasFailure())
            std::cerr << "xdg-desktop-portal said:\n" << portal.frontendOutput().toStdString();
    }

    PrivatePortal portal;
    TestDatabase database;
    std::vector<WordCard> cards;
    CKadoDlg bar;
    DrillHarness harness;
};

// Given a Wayland session, when the learner switches see-through on, then
// both bars take the colour of the desktop's picture, or, where the portal
// is missing or refuses, the colour of Qt's copy; a drill message sent
// meanwhile waits for the copy either way.
TEST_P(PortalScreenshotTest, SeeThrough_ColourFromThePortalsPictureOrQtsCopy)
{
    harness.Run(bar, [&](CKadoDlg& b) {
        SendMessage(&b, WM_DRILL_SEETHROUGH);
        SendMessage(&b, WM_DRILL_REVEAL);
        EXPECT_FALSE(b.m_revealed);
        ASSERT_TRUE(WaitUntil([&] { return b.isVisible() && b.m_look.SeeThrough(); }));
        EXPECT_TRUE(b.m_revealed);
        EXPECT_EQ(ScreenCopyDC.TakenCount(), 1);
        const QColor colour = b.m_look.BackBrush().color();
        EXPECT_EQ(colour, ScreenCopyDC.PixelAt(b.m_look.SamplePoint()));
        EXPECT_EQ(b.m_freeAnswerBar->m_look.BackBrush().color(),
                  ScreenCopyDC.PixelAt(b.m_freeAnswerBar->m_look.SamplePoint()));
        if (GetParam().colourFromPortal)
            EXPECT_EQ(colour, kDesktopColour);
        else
            EXPECT_NE(colour, kDesktopColour);
    });
    if (GetParam().frontend) {
        const QStringList asked = portal.log();
        EXPECT_TRUE(asked.contains(QStringLiteral("Screenshot interactive=false"))) << asked.join(u' ').toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(, PortalScreenshotTest,
                         ::testing::Values(Case{"PortalGivesThePicture", true, 0, true},
                                           Case{"PortalRefuses", true, 2, false},
                                           Case{"NoPortal", false, 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
