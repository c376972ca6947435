// Boxes and dialogs owned by the drill bar block the bar alone: the answer
// bar beside it stays usable while they are up.
#include "platform/ModalSeam.h"
#include "platform/OwnerModal.h"

#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

struct OwnerWithOwnedWindow {
    OwnerWithOwnedWindow()
    {
        owner.resize(100, 30);
        owned = new QWidget(&owner, Qt::Tool);
        owned->resize(80, 20);
        owner.show();
        owned->show();
    }
    QWidget owner;
    QWidget* owned;
};

} // namespace

TEST(OwnerModal, BoxUp_BlocksOwnerButNotItsOtherWindows_AllRestoredAfter)
{
    OwnerWithOwnedWindow bars;
    QMessageBox box(QMessageBox::Information, QString(), QStringLiteral("次回に行きます。"), QMessageBox::Ok,
                    &bars.owner);
    bool ownerEnabled = true, ownedEnabled = false, boxVisible = false;
    QTimer::singleShot(0, [&] {
        ownerEnabled = bars.owner.isEnabled();
        ownedEnabled = bars.owned->isEnabled();
        boxVisible = box.isVisible();
        box.button(QMessageBox::Ok)->click();
    });

    const int result = RunOwnerModal(box, &bars.owner);

    EXPECT_EQ(result, QMessageBox::Ok);
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(ownedEnabled);
    EXPECT_TRUE(boxVisible);
    EXPECT_TRUE(bars.owner.isEnabled());
    EXPECT_TRUE(bars.owned->isEnabled());
}

TEST(OwnerModal, DialogOutsideTheOwner_IsStackedAsTheOwnersAndReturnsItsResult)
{
    OwnerWithOwnedWindow bars;
    QDialog results;
    QWindow* transientParent = nullptr;
    QTimer::singleShot(0, [&] {
        transientParent = results.windowHandle()->transientParent();
        results.done(QDialog::Accepted);
    });

    EXPECT_EQ(RunOwnerModal(results, &bars.owner), int(QDialog::Accepted));
    EXPECT_EQ(transientParent, bars.owner.windowHandle());
    EXPECT_TRUE(bars.owner.isEnabled());
}

TEST(OwnerModal, ExplicitlyDisabledOwnedWindow_StaysDisabled)
{
    OwnerWithOwnedWindow bars;
    bars.owned->setEnabled(false);
    QDialog dialog(&bars.owner);
    QTimer::singleShot(0, [&] { dialog.done(0); });

    RunOwnerModal(dialog, &bars.owner);

    EXPECT_FALSE(bars.owned->isEnabled());
    EXPECT_TRUE(bars.owner.isEnabled());
}
