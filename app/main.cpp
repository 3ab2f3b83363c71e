// The executable's entry: the toolkit's application, then the program.

#include "app/Tavrin_Pj.h"

#include <QApplication>

int main(int argc, char** argv) {
    // The program reads no arguments, so none reach Qt either; the platform can still be
    // chosen through Qt's environment variables.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication qtApplication(qtArgc, argv);
    return tavrin::Tavrin_Pj();
}
