// The game on a desktop: Qt's own texts in the desktop's language, and the
// canvas drawn sharp on a high-density screen. Qt reads the locale and the
// screen's scale once, when the application starts, so CTest runs each test
// in a process of its own with the setting it needs (tests/CMakeLists.txt).

#include "assets/form.h"
#include "platform/toolkit/application.h"
#include "platform/toolkit/canvas_widget.h"
#include "platform/toolkit/game_window.h"
#include "platform/toolkit/toolkit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBackingStore>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

namespace {

// The text of the message box's OK button, read while the box is open.
QString okButtonText()
{
    QString text;
    QTimer::singleShot(0, [&text] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            if (QAbstractButton* ok = box->button(QMessageBox::Ok))
                text = ok->text();
            box->accept();
        }
    });
    // Keeps a box that never opened, or never closed, from hanging the test.
    QTimer::singleShot(5000, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    toolkit::messageBox("撞墙身亡");
    return text;
}

class Translations : public ::testing::Test {
protected:
    void SetUp() override { toolkit::initialise(toolkit::Form{}); }
    void TearDown() override { toolkit::shutdown(); }
};

TEST_F(Translations, OkButtonIsChineseOnAChineseDesktop)
{
    ASSERT_EQ(QLocale().name(), QStringLiteral("zh_CN")) << "run with LANG=zh_CN.UTF-8";
    const QString qm = QDir(QLibraryInfo::path(QLibraryInfo::TranslationsPath)).filePath("qtbase_zh_CN.qm");
    if (!QFileInfo::exists(qm))
        GTEST_SKIP() << "Qt's Chinese translations are not installed (" << qm.toStdString() << ")";
    EXPECT_EQ(okButtonText(), QString::fromUtf8("确定"));
}

TEST_F(Translations, OkButtonReadsOkOnAnEnglishDesktop)
{
    ASSERT_EQ(QLocale().language(), QLocale::English) << "run with LANG=en_US.UTF-8";
    EXPECT_EQ(okButtonText(), QStringLiteral("OK"));
}

// How far a drawn picture is from the canvas scaled up without smoothing:
// every screen pixel must show one of the canvas pixels it lies on, never a
// mix. At a whole ratio each canvas pixel is a uniform ratio x ratio block.
struct Mismatch {
    int count = 0;
    std::string first;
};

Mismatch compareWithCanvas(const QImage& drawn, const canvas::SpriteCanvas& c, qreal ratio, const QRect& skip = {})
{
    Mismatch result;
    const auto canvasRgb = [&c](int x, int y) {
        return c.frameBuffer()[static_cast<std::size_t>(y) * c.width() + x] & 0xFFFFFFu;
    };
    // The canvas pixels a screen pixel lies on, along one axis.
    const auto covered = [ratio](int screen, int size) {
        const int from = static_cast<int>(std::floor(screen / ratio));
        const int to = static_cast<int>(std::ceil((screen + 1) / ratio)) - 1;
        return std::pair{std::max(from, 0), std::min(std::max(to, from), size - 1)};
    };
    for (int sy = 0; sy < drawn.height(); ++sy) {
        const auto [y0, y1] = covered(sy, c.height());
        for (int sx = 0; sx < drawn.width(); ++sx) {
            const auto [x0, x1] = covered(sx, c.width());
            if (skip.contains(x0, y0))
                continue;
            const QRgb shown = drawn.pixel(sx, sy) & 0xFFFFFFu;
            bool matches = false;
            for (int y = y0; y <= y1 && !matches; ++y)
                for (int x = x0; x <= x1 && !matches; ++x)
                    matches = canvasRgb(x, y) == shown;
            if (!matches && result.count++ == 0) {
                std::ostringstream os;
                os << "screen pixel (" << sx << ", " << sy << ") is " << std::hex << shown << ", canvas pixel ("
                   << std::dec << x0 << ", " << y0 << ") is " << std::hex << canvasRgb(x0, y0);
                result.first = os.str();
            }
        }
    }
    return result;
}

// What the window has painted for the screen, in the screen's pixels.
QImage backingStoreOf(QWidget& window)
{
    QBackingStore* store = window.backingStore();
    QPaintDevice* device = store ? store->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image)
        return {};
    return static_cast<QImage*>(device)->copy();
}

// The expected ratio comes with the screen setting from CTest; the rounding
// of the screen's own scale is the game's choice (see application.cpp).
TEST(HighDensity, TheCanvasIsScaledUpPixelForPixel)
{
    bool given = false;
    const qreal expectedRatio = qEnvironmentVariable("EXPECTED_DEVICE_PIXEL_RATIO").toDouble(&given);
    ASSERT_TRUE(given) << "run with EXPECTED_DEVICE_PIXEL_RATIO and a scaled screen";

    toolkit::initialise(gameForm);
    toolkit::loadFirstWindow(窗口);
    toolkit::GameWindow* window = toolkit::gameWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    toolkit::CanvasWidget& canvasWidget = window->canvasWidget();
    canvas::SpriteCanvas& c = canvasWidget.canvas();
    const qreal ratio = canvasWidget.devicePixelRatioF();
    EXPECT_EQ(ratio, expectedRatio);
    // Game coordinates stay canvas pixels, whatever the screen does with them.
    EXPECT_EQ(canvasWidget.size(), QSize(800, 800));

    // The whole canvas as the widget draws it.
    const QImage grabbed = canvasWidget.grab().toImage();
    EXPECT_EQ(grabbed.size(), QSize(800, 800) * ratio);
    const Mismatch whole = compareWithCanvas(grabbed, c, ratio);
    EXPECT_EQ(whole.count, 0) << whole.first;

    // What the screen shows once a move has been repainted by its update
    // areas alone. The goal keeps waving meanwhile, so its place is left out.
    c.moveSprite(1, 301, 303, false);
    QTest::qWait(100);
    const QImage shown = backingStoreOf(*window);
    ASSERT_EQ(shown.size(), QSize(800, 800) * ratio);
    const Mismatch afterMove = compareWithCanvas(shown, c, ratio, QRect(732, 500, 140, 94));
    EXPECT_EQ(afterMove.count, 0) << afterMove.first;

    window->close();
    toolkit::shutdown();
}

} // namespace
