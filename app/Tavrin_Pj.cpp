// Placeholder entry until the main window lands.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QString::fromUtf8("Tavrin 1.0 - Comunicação Serial"));
    window.show();
    return app.exec();
}
