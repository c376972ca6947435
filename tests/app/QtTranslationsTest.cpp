// Qt's own texts follow the learner's language; the program's stay as they are.
#include "app/ModalSeam.h"
#include "app/QtTranslations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Shows the real end-of-pass question and returns what its box showed:
// the text and the two buttons' labels, then answers No.
QStringList AskNextPassAndRead()
{
    QStringList seen;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen << box->text() << box->button(QMessageBox::Yes)->text() << box->button(QMessageBox::No)->text();
        box->button(QMessageBox::No)->click();
    });
    const int answer = ModalSeam::MessageBox(nullptr, QStringLiteral("次回に行きますか。"), ModalSeam::Icon::Question,
                                             ModalSeam::Buttons::YesNo);
    EXPECT_EQ(answer, ModalSeam::IDNO);
    return seen;
}

} // namespace

TEST(QtTranslations, EndOfPassQuestion_JapaneseButtonsUnderJapanese_EnglishUnderC)
{
    ASSERT_TRUE(InstallQtTranslations(QLocale(QLocale::Japanese, QLocale::Japan)));
    EXPECT_EQ(AskNextPassAndRead(),
              (QStringList{QStringLiteral("次回に行きますか。"), QStringLiteral("はい(&Y)"), QStringLiteral("いいえ(&N)")}));

    EXPECT_FALSE(InstallQtTranslations(QLocale::c()));
    EXPECT_EQ(AskNextPassAndRead(),
              (QStringList{QStringLiteral("次回に行きますか。"), QStringLiteral("&Yes"), QStringLiteral("&No")}));
}
