#include "editor/RichTextBox.h"

#include <QApplication>
#include <QFileInfo>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kordavel"));

    QMainWindow window;
    auto *editor = new kordavel::RichTextBox(&window);
    window.setCentralWidget(editor);
    const QStringList args = QApplication::arguments();
    if (args.size() > 1 && editor->loadFile(args.at(1)))
        window.setWindowTitle(QFileInfo(args.at(1)).absoluteFilePath());
    else
        window.setWindowTitle(QStringLiteral("Kordavel"));
    window.resize(900, 600);
    window.show();
    return QApplication::exec();
}
