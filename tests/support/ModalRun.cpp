#include "support/ModalRun.h"

#include "platform/CDialog.h"
#include "platform/ModalSeam.h"

#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

int RunModal(CDialog& dialog, const std::function<void()>& steps, LeftOpen leftOpen)
{
    bool ran = false;
    // Owned here: a run that never starts its loop never fires it later.
    QTimer start;
    start.setSingleShot(true);
    QObject::connect(&start, &QTimer::timeout, &dialog, [&] {
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        steps();
        ran = true;
        if (!dialog.isVisible() || leftOpen == LeftOpen::Stays)
            return;
        if (leftOpen == LeftOpen::Fails)
            ADD_FAILURE() << "the steps left the dialog open";
        dialog.EndDialog(ModalSeam::IDCANCEL);
    });
    start.start(0);
    const int result = dialog.DoModal();
    EXPECT_TRUE(ran) << "the dialog's run ended before the steps";
    return result;
}
