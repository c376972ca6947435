// See-through in a Wayland session: the screen copy is the picture the
// desktop gives through Debian's portal frontend, with the stand-in desktop
// behind it; without it there is no copy (XWayland's would be black), and
// the bars keep their plain look.
#include "PrivatePortal.h"
#include "platform/ScreenCopy.h"
#include "platform/SessionKind.h"
#include "platform/SharedValues.h"
#include "platform/WinMessages.h"
#include "bars/CtestInputDlg.h"
#include "drill/DrillBarFixture.h"

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
    bool copied;
};

class PortalScreenshotTest : public drillbar_test::DrillBarTest, public ::testing::WithParamInterface<Case> {
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
        ScreenDC = ScreenCopySourceForSession(SessionKind::WaylandWithXWayland);
        ScreenCopyDC.Reset();
        DrillBarTest::SetUp();
        Select(CKadoDlg::kFree);
    }

    void TearDown() override
    {
        ScreenDC = ScreenCopySourceForSession(SessionKind::X11);
        if (HasFailure())
            std::cerr << "xdg-desktop-portal said:\n" << portal.frontendOutput().toStdString();
    }

    PrivatePortal portal;
};

// Given a Wayland session, when the learner switches see-through on, then
// both bars take the colour of the desktop's picture, asked for under the
// program's app id; where the portal is missing or refuses, the bars come
// back in their plain look and the program says why once. A drill message
// sent meanwhile waits for the copy either way.
TEST_P(PortalScreenshotTest, SeeThrough_ColourFromThePortalsPicture_OrPlainLookAndOneLine)
{
    testing::internal::CaptureStderr();
    harness.Run(bar, [&](CKadoDlg& b) {
        for (int round = 0; round < 2; ++round) {
            SendMessage(&b, WM_DRILL_SEETHROUGH);
            SendMessage(&b, WM_DRILL_REVEAL);
            EXPECT_EQ(b.m_revealed, round == 1);
            ASSERT_TRUE(WaitUntil([&] { return b.isVisible() && b.m_freeAnswerBar->isVisible(); }));
            EXPECT_EQ(b.m_revealed, round == 0);
            EXPECT_EQ(b.m_look.SeeThrough(), GetParam().copied);
            EXPECT_EQ(b.m_freeAnswerBar->m_look.SeeThrough(), GetParam().copied);
            EXPECT_EQ(Control<QPushButton>(&b, "revealButton")->isVisible(), !GetParam().copied);
            if (!GetParam().copied)
                continue;
            EXPECT_EQ(b.m_look.BackBrush().color(), kDesktopColour);
            EXPECT_EQ(b.m_freeAnswerBar->m_look.BackBrush().color(), kDesktopColour);
            SendMessage(&b, WM_DRILL_SEETHROUGH);
        }
    });
    const QString said = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(said.count(QStringLiteral("vokabo: the desktop gave no copy of the screen")), GetParam().copied ? 0 : 1)
        << said.toStdString();
    if (GetParam().frontend) {
        const QString appId = portal.offers(QStringLiteral("org.freedesktop.host.portal.Registry")) ? VOKABO_APP_ID : "";
        const QStringList asked = portal.log();
        EXPECT_EQ(asked.count(QStringLiteral("Screenshot app_id=%1 interactive=false").arg(appId)), 2)
            << asked.join(u' ').toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(, PortalScreenshotTest,
                         ::testing::Values(Case{"PortalGivesThePicture", true, 0, true},
                                           Case{"PortalRefuses", true, 2, false},
                                           Case{"NoPortal", false, 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
