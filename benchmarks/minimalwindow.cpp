// The floor of bench_startup: the least a Qt Widgets program does to put a window on the screen,
// at the workbench's size.

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("minimal"));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("minimal window"), &window));
    window.resize(960, 700);
    window.show();
    return app.exec();
}
