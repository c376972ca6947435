// The real message boxes: Qt's own texts follow the learner's language, the
// program's stay as they are, and Return answers a question Yes.
#include "platform/ModalSeam.h"
#include "app/QtTranslations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QProxyStyle>
#include <QTest>
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

namespace {

class ButtonOrder : public QProxyStyle {
public:
    explicit ButtonOrder(int layout) : m_layout(layout) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override
    {
        if (hint == SH_DialogButtonLayout)
            return m_layout;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }

private:
    int m_layout;
};

} // namespace

// Given each desktop's order of the buttons (GNOME's puts No first), when
// the learner presses Return at the end-of-pass question, asked by the
// drill bar or by no window, then it answers Yes.
TEST(ModalSeam, YesNoBox_ReturnAnswersYesInEveryButtonOrder)
{
    QWidget bar;
    bar.show();
    for (QWidget* owner : {&bar, static_cast<QWidget*>(nullptr)})
    for (const auto layout : {QDialogButtonBox::WinLayout, QDialogButtonBox::MacLayout, QDialogButtonBox::KdeLayout,
                              QDialogButtonBox::GnomeLayout, QDialogButtonBox::AndroidLayout}) {
        QApplication::setStyle(new ButtonOrder(layout));
        QString focused;
        QTimer::singleShot(0, [&] {
            QMessageBox* box = nullptr;
            for (QWidget* window : QApplication::topLevelWidgets())
                if (window->isVisible() && qobject_cast<QMessageBox*>(window))
                    box = static_cast<QMessageBox*>(window);
            ASSERT_NE(box, nullptr);
            const auto* button = qobject_cast<QAbstractButton*>(box->focusWidget());
            focused = button ? button->text() : QString();
            QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_Return);
        });
        EXPECT_EQ(ModalSeam::MessageBox(owner, QStringLiteral("次回に行きますか。"), ModalSeam::Icon::Question,
                                        ModalSeam::Buttons::YesNo),
                  ModalSeam::IDYES)
            << "button layout " << layout << (owner ? " with an owner" : "");
        EXPECT_EQ(focused, QStringLiteral("&Yes")) << "button layout " << layout << (owner ? " with an owner" : "");
    }
}
