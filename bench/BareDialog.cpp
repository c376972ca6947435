// The floor of the start-up benchmark: a bare Qt program that shows an
// empty modal dialog captioned like the program's main window, and ends
// when it is closed. With --text the dialog holds one label of Japanese
// text, so the font system is set up before the window maps, as it must
// be for any window that shows text.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <cstring>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Vokabo"));
    if (argc > 1 && std::strcmp(argv[1], "--text") == 0) {
        auto* label = new QLabel(QStringLiteral("単語数 読取中..."), &dialog);
        label->move(10, 10);
    }
    return dialog.exec() == QDialog::Rejected ? 0 : 1;
}
