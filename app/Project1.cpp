// Kavro's main program: one window, then its event loop. The file keeps its
// name Project1 on purpose.
#include <QApplication>

#include "AppSetup.h"
#include "Unit1.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    SetUpApplication();
    TForm1 form;
    ShowTitleOnTaskBarOnly(form);
    form.show();
    return app.exec();
}
