#include "app/Unit1.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <string_view>

#include "app/Boxes.h"
#include "app/ButtonPicture.h"
#include "app/Conversion.h"
#include "files/FileError.h"
#include "pane/LinePane.h"
#include "app/LoadSplash.h"
#include "files/OutputFile.h"
#include "pane/PaneError.h"
#include "pane/TextPane.h"
#include "conversion/TraceBatch.h"
#include "conversion/TraceConverter.h"

namespace kavro::app {

QString ExeDir;

namespace {

const char* const kAuthor = "Mina Farahani";
const char* const kContact = "kavro-support@example.org";

void Place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(left, top, width, height);
}

QLabel* MakeCaption(QWidget* parent, const char* text) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    QPalette green = label->palette();
    green.setColor(QPalette::WindowText, QColor(0, 128, 0));
    label->setPalette(green);
    return label;
}

// Writes the event file, by the rules of the files layer: a failed save
// leaves the old file as it was.
void SaveEvents(std::string_view bytes, const QString& path) {
    try {
        files::OutputFile file(QFile::encodeName(path).toStdString());
        file.Write(bytes);
        file.Commit();
    } catch (const files::FileError& e) {
        throw pane::PaneError::File("Cannot create file", path.toLocal8Bit().toStdString(), e.Reason());
    }
}

}  // namespace

TForm1::TForm1(const PaneFactory& makePane, QWidget* parent) : QMainWindow(parent) {
    BuildLayout(makePane);
    RunGuarded([this] { FormCreate(); });
}

TForm1::~TForm1() = default;

void TForm1::BuildLayout(const PaneFactory& makePane) {
    setWindowTitle(QString());
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(15);
    setFont(font);

    MainMenu1 = menuBar();
    About1 = MainMenu1->addAction(QStringLiteral("About"));
    Help1 = MainMenu1->addAction(QStringLiteral("Help"));

    auto* client = new QWidget(this);
    setCentralWidget(client);
    const PaneFactory factory =
        makePane ? makePane : [](QWidget* parent) -> pane::LinePane* { return new pane::TextPane(parent); };

    Label2 = MakeCaption(client, "Input Ns file (ns.tr , must put beside Kavro.exe)");
    Place(Label2, 7, 8, 359, 18);
    Memo1 = factory(client);
    Memo1->SetText("Memo1");
    Memo1->OnTextChanged([this] { loaded_.reset(); });
    Place(Memo1->Widget(), 7, 30, 819, 239);
    // The caption, its spelling and its trailing space are kept on purpose.
    BitBtn1 = new QPushButton(QStringLiteral("Do Convertion "), client);
    BitBtn1->setIcon(ButtonPicture());
    BitBtn1->setIconSize(QSize(24, 24));
    Place(BitBtn1, 5, 271, 825, 30);
    Label1 = MakeCaption(client, "Output for iNSpect (iNSpect.out ,Located beside Kavro.exe)");
    Place(Label1, 8, 304, 450, 18);
    Memo2 = factory(client);
    Memo2->SetText(std::string());
    Place(Memo2->Widget(), 5, 329, 825, 203);

    setTabOrder(BitBtn1, Memo1->Widget());
    setTabOrder(Memo1->Widget(), Memo2->Widget());

    connect(BitBtn1, &QPushButton::clicked, this, [this] { RunGuarded([this] { BitBtn1Click(); }); });
    connect(About1, &QAction::triggered, this, [this] { RunGuarded([this] { About1Click(); }); });
    connect(Help1, &QAction::triggered, this, [this] { RunGuarded([this] { Help1Click(); }); });

    // 842 x 592 outside with the usual frame and caption leaves a client area
    // of 834 x 538 below the menu bar; the menu bar's height is the style's.
    resize(834, MainMenu1->sizeHint().height() + 538);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), QSize(842, 592));
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TForm1::FormCreate() {
    ExeDir = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    if (!ExeDir.endsWith(QDir::separator())) ExeDir += QDir::separator();
    // The lines a rule reads are picked out while the trace loads, still in
    // the cache, so that a conversion of it need not walk it again.
    auto loaded = std::make_unique<kavro::TraceBatch>();
    const kavro::TraceConverter reader;
    // Closed when this handler ends, also by an exception: before the window
    // shows and before the error box opens.
    LoadSplash splash;
    Memo1->LoadFromFile(
        ExeDir + QStringLiteral("ns.tr"),
        [&](const std::string_view* lines, size_t count) { reader.Select(lines, count, *loaded); },
        [&](size_t in, size_t all) { splash.Progress(in, all); });
    loaded_ = std::move(loaded);
}

void TForm1::BitBtn1Click() {
    // A press queued while a nested run is going is dropped: each would
    // start one more run inside the last, until the stack gave out.
    if (runs_ >= 2) return;
    ++runs_;
    struct Running {
        int& runs;
        ~Running() { --runs; }
    } running{runs_};
    const unsigned run = ++started_;

    Conversion conversion(*Memo1, loaded_.get(), [](const std::string& notice) {
        ShowPlainNotice(QString::fromLatin1(notice.data(), static_cast<qsizetype>(notice.size())));
    });
    // A press let through here started a run on what the pane holds now; its
    // result is the one to show and save, and this older one is dropped.
    QCoreApplication::processEvents();
    if (started_ != run) return;
    Memo2->SetText("Please wait ... (Inserting and sorting this may take some time ...)");
    QCoreApplication::processEvents();
    if (started_ != run) return;
    // Memo2 takes the bytes over where they lie and the file is written from
    // them after, so that a failed save leaves the new lines shown.
    pane::ByteBlock events(conversion.TakeEvents());
    const std::string_view bytes(events.data(), events.size());
    Memo2->TakeText(events);
    SaveEvents(bytes, ExeDir + QStringLiteral("iNSpect.out"));
}

void TForm1::About1Click() {
    ShowInformationBox(QStringLiteral("Designed By : ") + QString::fromLatin1(kAuthor) +
                       QStringLiteral(" , Any question: ") + QString::fromLatin1(kContact));
}

void TForm1::Help1Click() {
    ShowInformationBox(QStringLiteral("Any question: ") + QString::fromLatin1(kContact));
}

}  // namespace kavro::app
