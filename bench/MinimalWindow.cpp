// The floor for the program's start-up: the least a Qt program does to show a
// main window like ours, with a menu bar, four tabs, a framed label and a
// status bar. Nothing of the program is linked in.

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    QMenu *file = window.menuBar()->addMenu(QStringLiteral("File"));
    file->addAction(QStringLiteral("Exit"));
    window.menuBar()->addAction(QStringLiteral("Options"));
    window.menuBar()->addMenu(QStringLiteral("Help"))->addAction(QStringLiteral("About"));
    auto *tabs = new QTabWidget;
    for (const char *caption : {"Board", "Tricks", "Levels", "Display"})
        tabs->addTab(new QWidget, QString::fromLatin1(caption));
    auto *label = new QLabel(QStringLiteral("Board Mods"), tabs->widget(0));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setGeometry(10, 10, 77, 193);
    window.setCentralWidget(tabs);
    window.statusBar()->showMessage(QStringLiteral("Modding Full Version"));
    window.resize(199, 302);
    window.show();
    return app.exec();
}
