// Kavro's main program: one window, then its event loop. The file keeps its
// name Project1 on purpose.
#include <QApplication>
#include <csignal>

#include "app/AppSetup.h"
#include "files/OutputFile.h"
#include "files/StandardStreams.h"
#include "app/Unit1.h"

namespace kavro::app {

int Main(int argc, char** argv) {
    files::OpenStandardStreams();
    files::RemoveTemporaryFilesOnSignals();
    // A reader gone from a FIFO being saved into fails that save, in a box,
    // and leaves the user's edits.
    std::signal(SIGPIPE, SIG_IGN);
    QApplication app(argc, argv);
    SetUpApplication();
    TForm1 form;
    ShowTitleOnTaskBarOnly(form);
    form.show();
    return app.exec();
}

}  // namespace kavro::app

int main(int argc, char** argv) { return kavro::app::Main(argc, argv); }
