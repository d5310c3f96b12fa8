#include "JumelixVersion.h"
#include "ui/ProgramIcon.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    // The title captions plain message boxes; no display name is set, so the
    // platform adds nothing to the other captions.
    QApplication::setApplicationName(QStringLiteral("Jumelix"));
    QApplication::setApplicationVersion(QStringLiteral(JUMELIX_PRODUCT_VERSION));
    QApplication::setWindowIcon(jumelix::ProgramIcon());

    jumelix::TForm1 Form1;
    TForm2 Form2(&Form1);
    Form1.SetAboutBox(&Form2);
    Form1.show();
    return application.exec();
}
