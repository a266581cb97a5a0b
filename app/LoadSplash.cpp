#include "app/LoadSplash.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

#include "app/Boxes.h"

namespace kavro::app {

namespace {

// Below this a load is over before anyone would miss a window.
constexpr size_t kLargeFrom = size_t{64} << 20;
// Each update paints on the loading thread, so not more often than this.
constexpr std::chrono::milliseconds kUpdateEvery{100};

}  // namespace

LoadSplash::~LoadSplash() {
    if (!window_) return;
    window_.reset();
    QGuiApplication::restoreOverrideCursor();
}

void LoadSplash::Progress(size_t in, size_t all) {
    if (!window_) {
        if (all <= kLargeFrom) return;
        Show();
    }
    const int percent = static_cast<int>(100.0 * static_cast<double>(in) / static_cast<double>(all));
    if (percent == percent_) return;
    const auto now = std::chrono::steady_clock::now();
    if (percent_ >= 0 && now - updatedAt_ < kUpdateEvery) return;
    percent_ = percent;
    updatedAt_ = now;
    share_->setValue(percent);
    // The window's own event loop has not started; this is the only chance
    // for the splash to be mapped and painted. Input is left for that loop.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void LoadSplash::Show() {
    window_ = std::make_unique<QWidget>(nullptr, Qt::SplashScreen);
    auto* layout = new QVBoxLayout(window_.get());
    auto* title = new QLabel(ApplicationTitle());
    QFont big = title->font();
    big.setBold(true);
    big.setPixelSize(24);
    title->setFont(big);
    title->setAlignment(Qt::AlignCenter);
    share_ = new QProgressBar;
    share_->setRange(0, 100);
    share_->setFormat(QStringLiteral("Loading ns.tr: %p%"));
    layout->addWidget(title);
    layout->addWidget(share_);
    window_->resize(320, window_->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window_->geometry();
        frame.moveCenter(screen->availableGeometry().center());
        window_->move(frame.topLeft());
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    window_->show();
}

}  // namespace kavro::app
