// The Qt layer on the offscreen platform, the sound output on SDL's dummy
// driver, the control registry and the clock. The window tests use a small
// form of their own with pictures made here.

#include "platform/clock/clock.h"
#include "platform/sound/sound.h"
#include "platform/toolkit/application.h"
#include "platform/toolkit/canvas_widget.h"
#include "platform/toolkit/controls.h"
#include "platform/toolkit/game_window.h"
#include "platform/toolkit/toolkit.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using ::testing::ElementsAre;

namespace {

constexpr toolkit::Control windowId{0x52010001};
constexpr toolkit::Control canvasId{0x16010004};
constexpr toolkit::Control squareTemplateId{0x16010002};
constexpr canvas::Pixel squareColour = 0xFF2040C0;

std::vector<std::uint8_t> pngOf(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return {bytes.begin(), bytes.end()};
}

// A 20 x 20 opaque square; blocks live for the whole run, as the game's do.
const std::vector<std::uint8_t>& squarePng()
{
    static const std::vector<std::uint8_t> png = [] {
        QImage image(20, 20, QImage::Format_ARGB32);
        image.fill(QColor::fromRgba(squareColour));
        return pngOf(image);
    }();
    return png;
}

// A RIFF WAVE of two seconds of 16-bit mono silence at 11025 Hz: long enough
// to be still playing when the test looks.
const std::vector<std::uint8_t>& silenceWav()
{
    static const std::vector<std::uint8_t> wav = [] {
        constexpr std::uint32_t rate = 11025;
        constexpr std::uint32_t dataSize = rate * 2 * 2;
        std::vector<std::uint8_t> bytes(44 + dataSize, 0);
        std::size_t at = 0;
        auto text = [&](std::string_view s) {
            for (const char c : s)
                bytes[at++] = static_cast<std::uint8_t>(c);
        };
        auto number = [&](std::uint32_t v, int size) {
            for (int i = 0; i < size; ++i)
                bytes[at++] = static_cast<std::uint8_t>(v >> (8 * i));
        };
        text("RIFF");
        number(36 + dataSize, 4);
        text("WAVE");
        text("fmt ");
        number(16, 4);
        number(1, 2);          // PCM
        number(1, 2);          // mono
        number(rate, 4);
        number(rate * 2, 4);   // byte rate
        number(2, 2);          // block align
        number(16, 2);         // bits per sample
        text("data");
        number(dataSize, 4);
        return bytes;
    }();
    return wav;
}

// What the test form's handlers saw.
struct Seen {
    int created = 0;
    bool visibleWhenCreated = true;
    bool canvasBoundWhenCreated = false;
    std::int32_t spriteCreated = 0;
    std::vector<std::pair<std::int32_t, std::int32_t>> keysPressed;
    int watchedKeyEvents = 0;
};
Seen seen;

void onCreated()
{
    ++seen.created;
    seen.visibleWhenCreated = toolkit::gameWindow() && toolkit::gameWindow()->isVisible();
    seen.canvasBoundWhenCreated = toolkit::findCanvas(canvasId) != nullptr;
    seen.spriteCreated = toolkit::createSpriteFromTemplate(canvasId, squareTemplateId, 10, 10);
}

void onKeyPressed(std::int32_t keyCode, std::int32_t modifiers) { seen.keysPressed.emplace_back(keyCode, modifiers); }
void onWatchedKey(std::int32_t, std::int32_t) { ++seen.watchedKeyEvents; }

toolkit::Form testForm()
{
    toolkit::Form form;
    form.window.id = windowId;
    form.window.geometry = {50, 50, 208, 230};
    form.window.title = "Toolkit test 窗口";
    form.window.events = {onCreated, onKeyPressed};
    form.canvas.id = canvasId;
    form.canvas.geometry = {0, 0, 200, 200};
    form.canvas.events.watchedKeyPressed = onWatchedKey;
    for (std::size_t i = 0; i < form.templates.size(); ++i) {
        form.templates[i].id = toolkit::Control{squareTemplateId.formNumber + static_cast<std::uint32_t>(i)};
        form.templates[i].geometry = {30, 30, 56, 56};
        form.templates[i].properties.picture = squarePng();
    }
    return form;
}

canvas::Pixel pixelAt(const canvas::SpriteCanvas& c, int x, int y)
{
    return c.frameBuffer()[static_cast<std::size_t>(y) * c.width() + x];
}

class ToolkitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        seen = {};
        toolkit::initialise(testForm());
    }
    void TearDown() override
    {
        delete toolkit::gameWindow();
        if (QCoreApplication::instance())
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Keeps a broken test from hanging in an event loop.
    QTimer guard_;
    void guardLoop(int exitCode)
    {
        guard_.setSingleShot(true);
        QObject::connect(&guard_, &QTimer::timeout, [exitCode] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
            QCoreApplication::exit(exitCode);
        });
        guard_.start(5000);
    }
};

// The application object goes with the last test, as it goes when the game ends.
class ToolkitEnvironment : public ::testing::Environment {
public:
    void TearDown() override { toolkit::shutdown(); }
};
const ::testing::Environment* const toolkitEnvironment = ::testing::AddGlobalTestEnvironment(new ToolkitEnvironment);

TEST(WindowPlacement, CentresByTruncationWithoutClamping)
{
    struct Case {
        int screenWidth, screenHeight;
        QPoint topLeft;
    };
    for (const Case& c : {Case{1920, 1080, {556, 125}}, Case{1024, 768, {108, -31}},
                          Case{800, 600, {-4, -115}}, Case{1023, 767, {107, -31}}}) {
        EXPECT_EQ(toolkit::centredTopLeft(c.screenWidth, c.screenHeight, 808, 830), c.topLeft)
            << c.screenWidth << " x " << c.screenHeight;
    }
}

TEST_F(ToolkitTest, WindowIsBuiltHiddenRaisesCreatedOnceThenShows)
{
    toolkit::loadFirstWindow(toolkit::Control{0x12345678});
    EXPECT_EQ(toolkit::gameWindow(), nullptr);

    toolkit::loadFirstWindow(windowId);
    toolkit::loadFirstWindow(windowId);   // the window exists already: nothing more
    EXPECT_EQ(seen.created, 1);
    EXPECT_FALSE(seen.visibleWhenCreated);
    EXPECT_TRUE(seen.canvasBoundWhenCreated);
    EXPECT_EQ(seen.spriteCreated, 1);

    toolkit::GameWindow* window = toolkit::gameWindow();
    ASSERT_NE(window, nullptr);
    toolkit::CanvasWidget& canvasWidget = window->canvasWidget();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(QCoreApplication::applicationName(), QString("Vellmora - Okandu"));
    EXPECT_FALSE(window->windowIcon().isNull());   // the program icon
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Toolkit test 窗口"));
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_EQ(window->minimumSize(), QSize(200, 200));
    EXPECT_EQ(window->maximumSize(), QSize(200, 200));
    EXPECT_EQ(canvasWidget.geometry(), QRect(0, 0, 200, 200));
    EXPECT_EQ(window->focusWidget(), &canvasWidget);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window->pos(), toolkit::centredTopLeft(screen.width(), screen.height(), 208, 230));

    // The templates are data: the canvas is the window's only widget.
    EXPECT_EQ(window->findChildren<QWidget*>().size(), 1);
    // The first paint already shows the sprite the created handler made.
    const QImage shown = canvasWidget.grab().toImage();
    EXPECT_EQ(shown.pixel(15, 15), squareColour);
    EXPECT_EQ(shown.pixel(5, 5), 0xFFFFFFFFu);

    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(toolkit::gameWindow(), nullptr);
    EXPECT_EQ(toolkit::findCanvas(canvasId), nullptr);
    EXPECT_EQ(toolkit::findTemplate(squareTemplateId), nullptr);
}

TEST_F(ToolkitTest, PlainEscClosesTheWindowAndEndsTheLoop)
{
    static int hookRuns = 0;
    hookRuns = 0;
    toolkit::registerShutdownHook([] { ++hookRuns; });
    toolkit::loadFirstWindow(windowId);
    toolkit::CanvasWidget* canvasWidget = &toolkit::gameWindow()->canvasWidget();

    bool openAfterCtrlEsc = false;
    QTimer::singleShot(0, [&] {
        QTest::keyClick(canvasWidget, Qt::Key_Escape, Qt::ControlModifier);
        QTest::keyClick(canvasWidget, Qt::Key_A);
        openAfterCtrlEsc = toolkit::gameWindow() && toolkit::gameWindow()->isVisible();
        QTest::keyClick(canvasWidget, Qt::Key_Escape);
    });
    guardLoop(99);
    EXPECT_EQ(toolkit::runEventLoop(), 0);

    EXPECT_TRUE(openAfterCtrlEsc);
    EXPECT_EQ(toolkit::gameWindow(), nullptr);
    EXPECT_EQ(toolkit::findCanvas(canvasId), nullptr);
    // Ctrl+Esc and A are ordinary keys, each raised once though Qt offers
    // them to the canvas and then to the window; the plain Esc reaches no handler.
    const auto timesPressed = [](std::int32_t keyCode, std::int32_t modifiers) {
        return std::count(seen.keysPressed.begin(), seen.keysPressed.end(), std::pair{keyCode, modifiers});
    };
    EXPECT_EQ(timesPressed(27, canvas::modifier::ctrl), 1);
    EXPECT_EQ(timesPressed(65, 0), 1);
    EXPECT_EQ(timesPressed(27, 0), 0);

    EXPECT_EQ(hookRuns, 0);
    toolkit::shutdown();
    toolkit::shutdown();
    EXPECT_EQ(hookRuns, 1);
}

TEST_F(ToolkitTest, KeyboardStateFollowsKeyEventsOfAnyWindow)
{
    toolkit::loadFirstWindow(windowId);
    QWidget* canvasWidget = &toolkit::gameWindow()->canvasWidget();
    const canvas::KeyboardState& keys = toolkit::keyboardState();

    QTest::keyPress(canvasWidget, Qt::Key_F1);
    EXPECT_TRUE(keys.isDown(112));
    // A held key's repeats arrive as release and press pairs marked as such.
    QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_F1, Qt::NoModifier, QString(), true);
    QCoreApplication::sendEvent(canvasWidget, &repeatRelease);
    EXPECT_TRUE(keys.isDown(112));
    QTest::keyRelease(canvasWidget, Qt::Key_F1);
    EXPECT_FALSE(keys.isDown(112));

    // The release lifts the key that went down, though Shift changed its symbol (7 and / on one key).
    QKeyEvent seven(QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, 16, 0, 0);
    QKeyEvent slash(QEvent::KeyRelease, Qt::Key_Slash, Qt::ShiftModifier, 16, 0, 0);
    QCoreApplication::sendEvent(canvasWidget, &seven);
    EXPECT_TRUE(keys.isDown('7'));
    QCoreApplication::sendEvent(canvasWidget, &slash);
    EXPECT_FALSE(keys.isDown('7'));

    // Keys let go while another program has the focus are never seen.
    QTest::keyPress(canvasWidget, Qt::Key_F1);
    QEvent deactivate(QEvent::ApplicationDeactivate);
    QCoreApplication::sendEvent(qApp, &deactivate);
    EXPECT_FALSE(keys.isDown(112));
}

TEST(VirtualKeys, MapQtKeysToTheGamesCodes)
{
    struct Case {
        int qtKey;
        Qt::KeyboardModifiers modifiers;
        std::int32_t code;
    };
    for (const Case& c : {Case{Qt::Key_F1, {}, 112}, Case{Qt::Key_F24, {}, 135}, Case{Qt::Key_Escape, {}, 27},
                          Case{Qt::Key_Shift, {}, 16}, Case{Qt::Key_Control, {}, 17}, Case{Qt::Key_Alt, {}, 18},
                          Case{Qt::Key_Return, {}, 13}, Case{Qt::Key_Enter, Qt::KeypadModifier, 13},
                          Case{Qt::Key_Space, {}, 32}, Case{Qt::Key_Tab, {}, 9}, Case{Qt::Key_Backspace, {}, 8},
                          Case{Qt::Key_Left, {}, 37}, Case{Qt::Key_Down, {}, 40}, Case{Qt::Key_0, {}, 48},
                          Case{Qt::Key_9, {}, 57}, Case{Qt::Key_A, {}, 65}, Case{Qt::Key_Z, {}, 90},
                          Case{Qt::Key_5, Qt::KeypadModifier, 101}, Case{Qt::Key_Exclam, Qt::ShiftModifier, 49},
                          Case{Qt::Key_unknown, {}, 0}}) {
        EXPECT_EQ(toolkit::virtualKeyOf(c.qtKey, c.modifiers), c.code) << std::hex << c.qtKey;
    }
}

TEST_F(ToolkitTest, MessageBoxIsModalAndTheCanvasTicksMeanwhile)
{
    toolkit::loadFirstWindow(windowId);
    toolkit::watchKeys(canvasId, 0, {112});
    const toolkit::CanvasWidget& canvasWidget = toolkit::gameWindow()->canvasWidget();

    struct Box {
        QString title, text;
        qsizetype buttons = 0;
        QMessageBox::Icon icon = QMessageBox::Warning;
        bool ownerless = false;
        Qt::WindowModality modality = Qt::NonModal;
        bool f1DownInBox = false;
        bool f1UpInBox = false;
        int watchedKeyEventsWhileOpen = 0;
        std::uint64_t ticksWhileOpen = 0;
    } box;
    std::uint64_t ticksAtOpen = 0;
    guardLoop(0);
    QTimer::singleShot(0, [&] {
        auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!shown)
            return;
        box.title = shown->windowTitle();
        box.text = shown->text();
        box.buttons = shown->buttons().size();
        box.icon = shown->icon();
        box.ownerless = shown->parentWidget() == nullptr;
        box.modality = shown->windowModality();
        ticksAtOpen = canvasWidget.tickCount();
        QTest::keyPress(shown, Qt::Key_F1);
        box.f1DownInBox = toolkit::keyboardState().isDown(112);
        QTimer::singleShot(100, shown, [&, shown] {
            box.watchedKeyEventsWhileOpen = seen.watchedKeyEvents;
            box.ticksWhileOpen = canvasWidget.tickCount() - ticksAtOpen;
            QTest::keyRelease(shown, Qt::Key_F1);
            box.f1UpInBox = !toolkit::keyboardState().isDown(112);
            shown->accept();
        });
    });
    EXPECT_EQ(toolkit::messageBox("撞墙身亡"), 1);

    EXPECT_EQ(box.title, QString::fromUtf8("信息："));
    EXPECT_EQ(box.text, QString::fromUtf8("撞墙身亡"));
    EXPECT_EQ(box.buttons, 1);
    EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    EXPECT_TRUE(box.ownerless);
    EXPECT_EQ(box.modality, Qt::ApplicationModal);
    EXPECT_TRUE(box.f1DownInBox);
    EXPECT_TRUE(box.f1UpInBox);
    EXPECT_GT(box.watchedKeyEventsWhileOpen, 0);
    EXPECT_GT(box.ticksWhileOpen, 0u);
}

// A bare canvas widget with one 20 x 20 sprite at (10, 10) that records its events.
class CanvasMouseTest : public ToolkitTest {
protected:
    void SetUp() override
    {
        ToolkitTest::SetUp();
        form_.geometry = {0, 0, 100, 100};
        widget_ = std::make_unique<toolkit::CanvasWidget>(form_);
        canvas::SpriteTemplate settings;
        settings.picture = squarePng();
        square_ = std::make_unique<canvas::PreparedTemplate>(settings);
        spriteId_ = widget_->canvas().createSprite(*square_, 10, 10);
        canvas::CanvasEvents& events = widget_->canvas().events;
        events.objectLeftPressed = [this](std::int32_t id) { log_.push_back("press " + std::to_string(id)); };
        events.objectDoubleClicked = [this](std::int32_t id) { log_.push_back("double " + std::to_string(id)); };
        events.objectLeftReleased = [this](std::int32_t id, std::int32_t pressed) {
            log_.push_back("release " + std::to_string(id) + " " + std::to_string(pressed));
        };
        events.canvasMouseMoved = [this](std::int32_t x, std::int32_t y, std::int32_t pressed) {
            log_.push_back("move " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(pressed));
        };
        widget_->show();
    }
    void TearDown() override
    {
        widget_.reset();
        ToolkitTest::TearDown();
    }

    void moveTo(QPointF at, Qt::MouseButtons buttons)
    {
        QMouseEvent move(QEvent::MouseMove, at, widget_->mapToGlobal(at), Qt::NoButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(widget_.get(), &move);
    }

    toolkit::CanvasForm form_;
    std::unique_ptr<toolkit::CanvasWidget> widget_;
    std::unique_ptr<canvas::PreparedTemplate> square_;
    std::int32_t spriteId_ = 0;
    std::vector<std::string> log_;
};

TEST_F(CanvasMouseTest, ButtonEventsReachTheCanvasWithTheSpriteHit)
{
    ASSERT_EQ(spriteId_, 1);
    QTest::mousePress(widget_.get(), Qt::LeftButton, {}, QPoint(15, 15));
    QTest::mouseRelease(widget_.get(), Qt::LeftButton, {}, QPoint(15, 15));
    QTest::mouseDClick(widget_.get(), Qt::LeftButton, {}, QPoint(15, 15));
    QTest::mouseRelease(widget_.get(), Qt::LeftButton, {}, QPoint(15, 15));
    QTest::mousePress(widget_.get(), Qt::RightButton, {}, QPoint(15, 15));
    QTest::mouseRelease(widget_.get(), Qt::RightButton, {}, QPoint(15, 15));
    QTest::mousePress(widget_.get(), Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_THAT(log_, ElementsAre("press 1", "release 1 1", "double 1", "release 1 0", "press 0"));
}

TEST_F(CanvasMouseTest, MovesAreInCanvasPixelsAndNothingOffTheCanvasCounts)
{
    QTest::mousePress(widget_.get(), Qt::LeftButton, {}, QPoint(15, 15));
    log_.clear();
    moveTo({40.7, 30.2}, Qt::LeftButton);
    moveTo({99.5, 0.0}, Qt::LeftButton);
    // Qt's implicit grab still sends these to the widget; the canvas does not capture the mouse.
    moveTo({-0.5, 20.0}, Qt::LeftButton);
    moveTo({100.0, 20.0}, Qt::LeftButton);
    moveTo({20.0, 140.0}, Qt::LeftButton);
    QTest::mouseRelease(widget_.get(), Qt::LeftButton, {}, QPoint(150, 20));
    EXPECT_THAT(log_, ElementsAre("move 40 30 1", "move 99 0 1"));
    EXPECT_EQ(widget_->canvas().pressedObjectId(), 1);

    log_.clear();
    moveTo({60.0, 60.0}, Qt::NoButton);
    EXPECT_THAT(log_, ElementsAre("move 60 60 0"));
}

TEST_F(CanvasMouseTest, WhatAHandlerChangesIsComposedRightAfterTheEvent)
{
    widget_->canvas().events.canvasMouseMoved = [this](std::int32_t x, std::int32_t y, std::int32_t) {
        widget_->canvas().moveSprite(spriteId_, x, y, false);
    };
    moveTo({60.0, 60.0}, Qt::NoButton);
    EXPECT_EQ(pixelAt(widget_->canvas(), 65, 65), squareColour);
    EXPECT_EQ(pixelAt(widget_->canvas(), 15, 15), 0xFFFFFFFFu);
}

TEST(Controls, MissingControlsAndTemplatesDoNothing)
{
    constexpr toolkit::Control bareCanvas{0x7001};
    constexpr toolkit::Control bareTemplate{0x7002};
    EXPECT_EQ(toolkit::createSpriteFromTemplate(bareCanvas, bareTemplate, 0, 0), 0);
    EXPECT_FALSE(toolkit::moveSprite(bareCanvas, 1, 5, 5, true));
    toolkit::setAllowCollision(bareCanvas, 1, true);
    toolkit::watchKeys(bareCanvas, 200, {112});
    toolkit::setSpritePicture(bareCanvas, 1, squarePng());

    canvas::SpriteCanvas c(50, 50, canvas::white);
    canvas::SpriteTemplate settings;
    settings.picture = squarePng();
    const canvas::PreparedTemplate square(settings);
    toolkit::bindCanvas(bareCanvas, &c);
    EXPECT_EQ(toolkit::createSpriteFromTemplate(bareCanvas, bareTemplate, 0, 0), 0);
    toolkit::bindTemplate(bareTemplate, &square);
    EXPECT_EQ(toolkit::createSpriteFromTemplate(bareCanvas, bareTemplate, 3, 4), 1);
    EXPECT_TRUE(toolkit::moveSprite(bareCanvas, 1, 5, 6, false));
    EXPECT_FALSE(toolkit::moveSprite(bareCanvas, 2, 5, 6, false));
    EXPECT_EQ(c.sprite(1)->ix(), 5);
    toolkit::watchKeys(bareCanvas, 200, {112});
    EXPECT_EQ(c.watchedKeys().size(), 1u);

    toolkit::bindCanvas(bareCanvas, nullptr);
    toolkit::bindTemplate(bareTemplate, nullptr);
    EXPECT_EQ(toolkit::findCanvas(bareCanvas), nullptr);
    EXPECT_EQ(toolkit::findTemplate(bareTemplate), nullptr);
}

TEST(Controls, ConnectEventsBindsOnlyTheHandlersGiven)
{
    static std::int32_t pressedId = 0;
    canvas::SpriteCanvas c(10, 10, canvas::white);
    c.events.objectLeftPressed = [](std::int32_t) { pressedId = -100; };
    toolkit::CanvasEvents handlers;
    toolkit::connectEvents(c, handlers);
    EXPECT_FALSE(c.events.objectLeftPressed);
    EXPECT_FALSE(c.events.canvasMouseMoved);
    EXPECT_FALSE(c.events.collidedWithObject);
    EXPECT_TRUE(c.events.playSound);

    handlers.objectLeftPressed = [](std::int32_t id) { pressedId = id; };
    toolkit::connectEvents(c, handlers);
    c.leftButtonPressed(5, 5);
    EXPECT_EQ(pressedId, 0);   // no sprite there
    EXPECT_FALSE(c.events.objectLeftReleased);
}

TEST(Controls, NumberToTextFormatsAsPercentPoint13g)
{
    for (const auto& [value, text] : {std::pair{0.0, "0"}, std::pair{37.0, "37"}, std::pair{-5.0, "-5"},
                                      std::pair{125.0, "125"}, std::pair{2.5, "2.5"},
                                      std::pair{1.0 / 3.0, "0.3333333333333"},
                                      std::pair{1234567890123.0, "1234567890123"},
                                      std::pair{12345678901234.0, "1.234567890123e+13"}}) {
        EXPECT_EQ(toolkit::numberToText(value), text);
    }
}

TEST(Sound, SoundsOverlapAndBadDataPlaysNothing)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    sound::close();
    sound::open();
    const std::vector<std::uint8_t>& wav = silenceWav();
    sound::playSound(wav, false);
    sound::playSound(wav, false);
    EXPECT_EQ(sound::playingCount(), 2);

    static const std::vector<std::uint8_t> truncated(wav.begin(), wav.begin() + 30);
    static const std::vector<std::uint8_t> notWav(200, 0x5A);
    sound::playSound(truncated, false);
    sound::playSound(notWav, false);
    sound::playSound({}, false);
    EXPECT_EQ(sound::playingCount(), 2);

    sound::close();
    sound::close();
    EXPECT_EQ(sound::playingCount(), 0);
    sound::open();
}

TEST(Sound, WithoutADeviceEveryPlayIsSilent)
{
    sound::close();
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    const std::string previous = driver ? driver : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    sound::open();
    sound::playSound(silenceWav(), false);
    EXPECT_EQ(sound::playingCount(), 0);
    sound::close();
    if (driver)
        setenv("SDL_AUDIODRIVER", previous.c_str(), 1);
    else
        unsetenv("SDL_AUDIODRIVER");
    sound::open();
}

TEST(Clock, EncodesLocalDateTimesAsDays)
{
    EXPECT_EQ(wallclock::fromLocal(1899, 12, 30, 0, 0, 0), 0.0);
    EXPECT_EQ(wallclock::fromLocal(1900, 1, 1, 12, 0, 0), 2.5);
    EXPECT_EQ(wallclock::fromLocal(2024, 1, 1, 18, 0, 0), 45292.75);
    EXPECT_EQ(wallclock::fromLocal(2024, 3, 1, 0, 0, 0) - wallclock::fromLocal(2024, 2, 28, 0, 0, 0), 2.0);

    wallclock::setSourceForTesting([] { return 42.5; });
    EXPECT_EQ(wallclock::now(), 42.5);
    wallclock::setSourceForTesting({});
    const double now = wallclock::now();
    const double seconds = now * 86400.0;
    EXPECT_NEAR(seconds, std::round(seconds), 1e-3);   // whole seconds only
    // Within a day of UTC now: 25569 is 1 January 1970.
    EXPECT_NEAR(now, 25569.0 + static_cast<double>(std::time(nullptr)) / 86400.0, 1.0);
}

TEST(Clock, DiffSecondsTruncatesWithItsRoundingTermAndClamps)
{
    constexpr auto lowest = std::numeric_limits<std::int32_t>::min();
    constexpr auto highest = std::numeric_limits<std::int32_t>::max();
    const double start = wallclock::fromLocal(2024, 3, 1, 10, 0, 0);
    struct Case {
        double end, start;
        std::int32_t seconds;
    };
    for (const Case& c : {
             Case{start, start, 0},
             Case{wallclock::fromLocal(2024, 3, 1, 10, 0, 37), start, 37},
             Case{wallclock::fromLocal(2024, 3, 1, 10, 2, 5), start, 125},
             Case{wallclock::fromLocal(2024, 3, 1, 0, 0, 5), wallclock::fromLocal(2024, 2, 29, 23, 59, 50), 15},
             // The term is added before truncating, toward zero: 37 s backwards gives -36.
             Case{start, wallclock::fromLocal(2024, 3, 1, 10, 0, 37), -36},
             Case{37.0 / 86400.0 - 1e-11, 0.0, 37},   // a hair short of 37 s
             Case{36.9 / 86400.0, 0.0, 36},
             Case{1e6, 0.0, highest},
             Case{-1e6, 0.0, lowest},
             Case{std::numeric_limits<double>::infinity(), 0.0, highest},
             Case{std::nan(""), 0.0, lowest},
         }) {
        EXPECT_EQ(wallclock::diffSeconds(c.end, c.start), c.seconds) << c.end << " - " << c.start;
    }
}

} // namespace
