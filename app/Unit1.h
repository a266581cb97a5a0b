#pragma once
// The main window: the trace pane, the conversion button, the output pane.
// Unit1, TForm1 and the control and handler names below are the window's own
// and kept exactly so on purpose; do not rename them.
#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenuBar;
class QPushButton;
namespace kavro {
struct TraceBatch;
}
namespace kavro::pane {
class LinePane;
}

namespace kavro::app {

// The executable's folder with one trailing separator; both files live there.
// The name is kept exactly so on purpose.
extern QString ExeDir;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // Makes a pane parented to the given widget; the window owns it through Qt.
    using PaneFactory = std::function<pane::LinePane*(QWidget* parent)>;

    explicit TForm1(const PaneFactory& makePane = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    QPushButton* BitBtn1;
    pane::LinePane* Memo1;
    pane::LinePane* Memo2;
    QLabel* Label1;
    QLabel* Label2;
    QMenuBar* MainMenu1;
    QAction* About1;
    QAction* Help1;

public slots:
    void FormCreate();
    void BitBtn1Click();
    void About1Click();
    void Help1Click();

private:
    void BuildLayout(const PaneFactory& makePane);

    // The lines of ns.tr that a rule reads, found while it loaded; dropped
    // at the first change to Memo1, after which every line is read again.
    std::unique_ptr<kavro::TraceBatch> loaded_;
    // Conversions running, the outer one and one nested in its dispatch.
    int runs_ = 0;
    // Conversions started so far: a run that finds a later one started
    // while it let events through leaves the panes and the file to it.
    unsigned started_ = 0;
};

}  // namespace kavro::app
