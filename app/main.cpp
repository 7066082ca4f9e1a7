#include "app/logmanager.h"
#include "app/signaltaker.h"
#include "app/singletoncheck.h"
#include "app/startup.h"
#include "corviscommon/logging.h"
#include "src/Views/mainwindow.h"

#include <QApplication>
#include <QTranslator>

#include <cstdlib>

int main(int argc, char* argv[])
{
    new LogManager(argv[0], nullptr);

    if (Startup::editionRefused() || Startup::modeRefused()) {
        std::exit(0);
    }
    if (!singletonCheck()) {
        std::exit(1);
    }

    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    // Icons use their "@2x" pictures on screens of device pixel ratio 2 instead of a blurred upscale.
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
    // Nothing here draws with OpenGL: plain raster windows spare loading the GL stack (tens of
    // milliseconds and megabytes) on the first show.
    QApplication::setAttribute(Qt::AA_ForceRasterWidgets, true);
    QApplication app(argc, argv);

    QTranslator translator;
    if (translator.load(QStringLiteral("/usr/share/qt5/translations/qt_zh_CN.qm"))) {
        app.installTranslator(&translator);
    }

    MainWindow::instance();
    const int page = Startup::firstPage();
    if (page >= 0) {
        MainWindow::instance()->show(page);
    }

    setSignalTaker();
    return app.exec();
}
