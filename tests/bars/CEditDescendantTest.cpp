// The answer edit: what typing may put into it and the frame it draws.
#include "bars/CEditDescendant.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QColor kWhite(255, 255, 255);
const QColor kGrey(128, 128, 128);
const QColor kBase(10, 20, 30);

struct Edit {
    Edit()
    {
        edit.setFrame(false);
        edit.resize(123, 18);
        QPalette palette;
        palette.setColor(QPalette::Base, kBase);
        edit.setPalette(palette);
        edit.show();
        edit.setFocus();
    }
    CEditDescendant edit;
};

// One letter per row and column of the edge: W white, G grey, . background.
std::string Edge(const QImage& image, QPoint from, QPoint step, int count)
{
    std::string edge;
    for (QPoint p = from; count-- > 0; p += step) {
        const QColor c = image.pixelColor(p);
        edge += c == kWhite ? 'W' : c == kGrey ? 'G' : c == kBase ? '.' : '?';
    }
    return edge;
}

} // namespace

TEST(CEditDescendant, TypedKeys_DigitsAndTwelveCharactersRefused)
{
    struct Case {
        const char* typed;
        const char* text;
    };
    const Case cases[] = {
        {"a1b", "ab"},
        {"a b-c", "a b-c"},
        {"x0123456789y", "xy"},
        {"x\"',./:;<>?\\|y", "xy"},
        {"don't", "dont"},
        {"e.g.", "eg"},
        {"Abc!@#$%^&*()_+=[]{}~`", "Abc!@#$%^&*()_+=[]{}~`"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Edit fixture;
        QTest::keyClicks(&fixture.edit, QString::fromLatin1(c.typed));
        EXPECT_EQ(fixture.edit.text(), QString::fromLatin1(c.text));
    }
}

TEST(CEditDescendant, EditingKeys_StillWork)
{
    Edit fixture;
    QTest::keyClicks(&fixture.edit, QStringLiteral("abc"));
    QTest::keyClick(&fixture.edit, Qt::Key_Backspace);
    QTest::keyClick(&fixture.edit, Qt::Key_Home);
    QTest::keyClick(&fixture.edit, Qt::Key_Delete);
    EXPECT_EQ(fixture.edit.text(), QStringLiteral("b"));
}

TEST(CEditDescendant, PastedText_TakenUnfiltered)
{
    Edit fixture;
    QApplication::clipboard()->setText(QStringLiteral("a1.b|"));
    QTest::keyClick(&fixture.edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(fixture.edit.text(), QStringLiteral("a1.b|"));
}

TEST(CEditDescendant, InputMethodCommit_FilteredLikeTypedKeys)
{
    Edit fixture;
    QInputMethodEvent event;
    event.setCommitString(QStringLiteral("a1,b"));
    QCoreApplication::sendEvent(&fixture.edit, &event);
    EXPECT_EQ(fixture.edit.text(), QStringLiteral("ab"));
}

TEST(CEditDescendant, Frame_SunkenUnlessSeeThrough)
{
    Edit fixture;
    const int w = fixture.edit.width();
    const int h = fixture.edit.height();

    QImage image = fixture.edit.grab().toImage();
    // Dark left and top, light right and bottom; the light bottom band
    // covers the ends of the side bands.
    EXPECT_EQ(Edge(image, QPoint(0, 0), QPoint(1, 0), 3), "GGG");
    EXPECT_EQ(Edge(image, QPoint(0, h / 2), QPoint(1, 0), 3), "GG.");
    EXPECT_EQ(Edge(image, QPoint(w - 3, h / 2), QPoint(1, 0), 3), ".WW");
    EXPECT_EQ(Edge(image, QPoint(w / 2, 0), QPoint(0, 1), 2), "G.");
    EXPECT_EQ(Edge(image, QPoint(w / 2, h - 2), QPoint(0, 1), 2), ".W");
    EXPECT_EQ(Edge(image, QPoint(0, h - 1), QPoint(1, 0), 3), "WWW");

    fixture.edit.m_seeThrough = true;
    image = fixture.edit.grab().toImage();
    EXPECT_EQ(Edge(image, QPoint(0, h / 2), QPoint(1, 0), 2), "..");
    EXPECT_EQ(Edge(image, QPoint(w - 2, h / 2), QPoint(1, 0), 2), "..");
    EXPECT_EQ(Edge(image, QPoint(w / 2, 0), QPoint(0, 1), 1), ".");
    EXPECT_EQ(Edge(image, QPoint(w / 2, h - 1), QPoint(0, 1), 1), ".");

    fixture.edit.m_seeThrough = false;
    image = fixture.edit.grab().toImage();
    EXPECT_EQ(Edge(image, QPoint(0, h / 2), QPoint(1, 0), 2), "GG");
}
