#include "platform/toolkit/application.h"

#include "assets/embedded.h"
#include "assets/version.h"
#include "platform/sound/sound.h"
#include "platform/toolkit/canvas_widget.h"
#include "platform/toolkit/controls.h"
#include "platform/toolkit/game_window.h"
#include "platform/toolkit/toolkit.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QPixmap>
#include <QPointer>
#include <QThread>
#include <QTranslator>

#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

namespace toolkit {

namespace {

struct KeyCode {
    int qtKey = 0;
    std::int32_t virtualKey = 0;
};

// Keys whose virtual-key code is not their Qt code. Punctuation follows the
// US layout, where the game's key codes come from; shifted symbols name the
// key they are typed on.
constexpr std::array keyCodes = {
    KeyCode{Qt::Key_Backspace, 8},     KeyCode{Qt::Key_Tab, 9},           KeyCode{Qt::Key_Backtab, 9},
    KeyCode{Qt::Key_Clear, 12},        KeyCode{Qt::Key_Return, 13},       KeyCode{Qt::Key_Enter, 13},
    KeyCode{Qt::Key_Shift, 16},        KeyCode{Qt::Key_Control, 17},      KeyCode{Qt::Key_Alt, 18},
    KeyCode{Qt::Key_AltGr, 18},        KeyCode{Qt::Key_Pause, 19},        KeyCode{Qt::Key_CapsLock, 20},
    KeyCode{Qt::Key_Escape, 27},       KeyCode{Qt::Key_Space, 32},        KeyCode{Qt::Key_PageUp, 33},
    KeyCode{Qt::Key_PageDown, 34},     KeyCode{Qt::Key_End, 35},          KeyCode{Qt::Key_Home, 36},
    KeyCode{Qt::Key_Left, 37},         KeyCode{Qt::Key_Up, 38},           KeyCode{Qt::Key_Right, 39},
    KeyCode{Qt::Key_Down, 40},         KeyCode{Qt::Key_Print, 44},        KeyCode{Qt::Key_SysReq, 44},
    KeyCode{Qt::Key_Insert, 45},       KeyCode{Qt::Key_Delete, 46},       KeyCode{Qt::Key_Meta, 91},
    KeyCode{Qt::Key_Menu, 93},         KeyCode{Qt::Key_NumLock, 144},     KeyCode{Qt::Key_ScrollLock, 145},
    KeyCode{Qt::Key_ParenRight, 48},   KeyCode{Qt::Key_Exclam, 49},       KeyCode{Qt::Key_At, 50},
    KeyCode{Qt::Key_NumberSign, 51},   KeyCode{Qt::Key_Dollar, 52},       KeyCode{Qt::Key_Percent, 53},
    KeyCode{Qt::Key_AsciiCircum, 54},  KeyCode{Qt::Key_Ampersand, 55},    KeyCode{Qt::Key_Asterisk, 56},
    KeyCode{Qt::Key_ParenLeft, 57},    KeyCode{Qt::Key_Semicolon, 186},   KeyCode{Qt::Key_Colon, 186},
    KeyCode{Qt::Key_Equal, 187},       KeyCode{Qt::Key_Plus, 187},        KeyCode{Qt::Key_Comma, 188},
    KeyCode{Qt::Key_Less, 188},        KeyCode{Qt::Key_Minus, 189},       KeyCode{Qt::Key_Underscore, 189},
    KeyCode{Qt::Key_Period, 190},      KeyCode{Qt::Key_Greater, 190},     KeyCode{Qt::Key_Slash, 191},
    KeyCode{Qt::Key_Question, 191},    KeyCode{Qt::Key_QuoteLeft, 192},   KeyCode{Qt::Key_AsciiTilde, 192},
    KeyCode{Qt::Key_BracketLeft, 219}, KeyCode{Qt::Key_BraceLeft, 219},   KeyCode{Qt::Key_Backslash, 220},
    KeyCode{Qt::Key_Bar, 220},         KeyCode{Qt::Key_BracketRight, 221}, KeyCode{Qt::Key_BraceRight, 221},
    KeyCode{Qt::Key_Apostrophe, 222},  KeyCode{Qt::Key_QuoteDbl, 222},
};

// The number pad has codes of its own for its digits and operators.
constexpr std::array keypadCodes = {
    KeyCode{Qt::Key_Asterisk, 106}, KeyCode{Qt::Key_Plus, 107}, KeyCode{Qt::Key_Minus, 109},
    KeyCode{Qt::Key_Period, 110},   KeyCode{Qt::Key_Comma, 110}, KeyCode{Qt::Key_Slash, 111},
};

template<std::size_t N>
std::int32_t lookUp(const std::array<KeyCode, N>& table, int qtKey)
{
    for (const KeyCode& k : table)
        if (k.qtKey == qtKey)
            return k.virtualKey;
    return 0;
}

std::int32_t modifierBitsOf(Qt::KeyboardModifiers modifiers)
{
    return (modifiers.testFlag(Qt::ControlModifier) ? canvas::modifier::ctrl : 0)
        | (modifiers.testFlag(Qt::ShiftModifier) ? canvas::modifier::shift : 0)
        | (modifiers.testFlag(Qt::AltModifier) ? canvas::modifier::alt : 0);
}

// Builds the keyboard state from every key event of the GUI thread, whatever
// window it is for, and gives the game window its Esc and key-pressed event.
class KeyFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* receiver, QEvent* event) override;

private:
    bool keyEvent(QWidget* receiver, const QKeyEvent& event);
};

struct ToolkitState {
    std::optional<Form> form;
    QPointer<QApplication> ownApplication;   // made by initialise, deleted by shutdown
    QPointer<KeyFilter> keyFilter;
    QPointer<QTranslator> qtTranslator;
    QPointer<GameWindow> window;
    canvas::KeyboardState keyboard;
    // The code each key went down with, by its scan code, so that the
    // release lifts the same key even if Shift changed its symbol meanwhile.
    std::unordered_map<quint32, std::int32_t> downByScanCode;
    void (*shutdownHook)() = nullptr;
};

ToolkitState& state()
{
    static ToolkitState toolkitState;
    return toolkitState;
}

QApplication* application() { return qobject_cast<QApplication*>(QCoreApplication::instance()); }

QString qStringOf(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Qt's own texts, the message box's OK button among them, follow the
// desktop's language when Qt's translations are installed; without them
// they stay English.
void loadQtTranslations(ToolkitState& s)
{
    if (s.qtTranslator)
        return;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
        s.qtTranslator = translator;
    } else {
        delete translator;
    }
}

void releaseAllKeys()
{
    state().keyboard.releaseAll();
    state().downByScanCode.clear();
}

// Qt hands a key event to the focus widget first and then, while nobody
// takes it, to each parent in turn; the game sees it once, on the first.
bool isFirstDelivery(const QWidget* receiver)
{
    if (const QWidget* grabber = QWidget::keyboardGrabber())
        return receiver == grabber;
    const QWidget* window = receiver->window();
    const QWidget* focus = window->focusWidget();
    return receiver == (focus ? focus : window);
}

bool KeyFilter::eventFilter(QObject* receiver, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (receiver->isWidgetType())
            return keyEvent(static_cast<QWidget*>(receiver), *static_cast<QKeyEvent*>(event));
        break;
    // A key let go while another program has the focus never reaches us.
    case QEvent::ApplicationDeactivate:
        releaseAllKeys();
        break;
    case QEvent::ApplicationStateChange:
        if (static_cast<QApplicationStateChangeEvent*>(event)->applicationState() != Qt::ApplicationActive)
            releaseAllKeys();
        break;
    default:
        break;
    }
    return QObject::eventFilter(receiver, event);
}

bool KeyFilter::keyEvent(QWidget* receiver, const QKeyEvent& event)
{
    ToolkitState& s = state();
    const bool press = event.type() == QEvent::KeyPress;
    const quint32 scanCode = event.nativeScanCode();
    std::int32_t keyCode = virtualKeyOf(event.key(), event.modifiers());
    if (press) {
        if (scanCode != 0 && keyCode != 0)
            s.downByScanCode[scanCode] = keyCode;
        s.keyboard.setDown(keyCode, true);
        if (s.window)
            s.window->canvasWidget().tickSoonerIfNeeded();   // a watched key may be down now
    } else if (!event.isAutoRepeat()) {
        // A held key's repeats come as release and press pairs; it stays down.
        if (const auto it = s.downByScanCode.find(scanCode); scanCode != 0 && it != s.downByScanCode.end()) {
            keyCode = it->second;
            s.downByScanCode.erase(it);
        }
        s.keyboard.setDown(keyCode, false);
    }

    GameWindow* window = s.window;
    if (!press || !window || receiver->window() != window || !isFirstDelivery(receiver))
        return false;
    const WindowForm& form = window->form();
    const bool withModifier = modifierBitsOf(event.modifiers()) != 0;
    if (event.key() == Qt::Key_Escape && !withModifier && form.escClosesWindow) {
        // Taken before any widget sees it: the window closes as by its close button.
        window->close();
        return true;
    }
    if (form.events.keyPressed && keyCode != 0)
        form.events.keyPressed(keyCode, modifierBitsOf(event.modifiers()));
    return false;   // the handler reports no result, so the key goes on
}

} // namespace

std::int32_t virtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers)
{
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);
    if (modifiers.testFlag(Qt::KeypadModifier)) {
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
            return 96 + (qtKey - Qt::Key_0);
        if (const std::int32_t code = lookUp(keypadCodes, qtKey))
            return code;
    }
    // Digits and letters have the same codes in both numberings.
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return qtKey;
    return lookUp(keyCodes, qtKey);
}

GameWindow* gameWindow() { return state().window; }

QImage imageOf(canvas::Bytes picture)
{
    const canvas::DecodedPicture decoded = canvas::decodePicture(picture);
    if (!decoded)
        return {};
    const canvas::RawFrame frame = decoded.picture->frames.front().unpacked();
    // The canvas's pixels are laid out as Format_ARGB32's; the copy owns them.
    return QImage(reinterpret_cast<const uchar*>(frame.pixels.data()), frame.width, frame.height,
                  qsizetype{frame.width} * qsizetype{sizeof(canvas::Pixel)}, QImage::Format_ARGB32)
        .copy();
}

const canvas::KeyboardState& keyboardState() { return state().keyboard; }

void initialise(const Form& form)
{
    ToolkitState& s = state();
    s.form = form;
    if (!QCoreApplication::instance()) {
        // The game reads no command line: Qt gets the program's name only.
        static int argc = 1;
        static std::string programName{assets::executableName};
        static char* argv[] = {programName.data(), nullptr};
        // A scaled screen draws each canvas pixel as a whole block of screen
        // pixels: 1:1 on a screen scaled by 1.5, 2 x 2 from 1.75 up. Rounding
        // 1.5 down keeps the fixed 808 x 830 window whole on the common 1.5
        // screens of 1440 lines, which it would overflow at 2.
        QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::RoundPreferFloor);
        s.ownApplication = new QApplication(argc, argv);
    }
    if (!application()) {
        std::fputs("The toolkit needs a QApplication, and another kind of application object exists.\n", stderr);
        return;
    }
    QCoreApplication::setApplicationName(qStringOf(assets::productName));
    QCoreApplication::setApplicationVersion(qStringOf(assets::version));
    QGuiApplication::setDesktopFileName(qStringOf(assets::desktopFileName));
    loadQtTranslations(s);
    const QImage icon = imageOf(assets::iconPng);
    if (!icon.isNull())
        QApplication::setWindowIcon(QIcon(QPixmap::fromImage(icon)));
    if (!s.keyFilter) {
        s.keyFilter = new KeyFilter(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(s.keyFilter);
    }
}

void registerShutdownHook(void (*hook)()) { state().shutdownHook = hook; }

void loadFirstWindow(Control window)
{
    ToolkitState& s = state();
    if (!s.form || !application()) {
        std::fputs("loadFirstWindow: the toolkit is not initialised.\n", stderr);
        return;
    }
    if (window != s.form->window.id) {
        std::fprintf(stderr, "loadFirstWindow: there is no window with form number 0x%08x.\n",
                     static_cast<unsigned>(window.formNumber));
        return;
    }
    if (s.window) {
        std::fputs("loadFirstWindow: the window is already loaded.\n", stderr);
        return;
    }

    // Built hidden, so no input reaches the canvas before the scene exists.
    auto* created = new GameWindow(*s.form);
    s.window = created;
    connectEvents(created->canvasWidget().canvas(), s.form->canvas.events);
    QCoreApplication::processEvents();
    if (const auto onCreated = s.form->window.events.created)
        onCreated();
    if (!s.window || !s.form->window.visible)
        return;
    // The sound output opens once the window is on the screen: loading the
    // sound libraries and reaching the device would only delay it.
    created->canvasWidget().afterFirstPaint = [] { sound::open(); };
    created->show();
    created->raise();
    created->activateWindow();
}

int runEventLoop()
{
    if (!application() || !state().window) {
        std::fputs("runEventLoop: there is no window to run.\n", stderr);
        return 0;
    }
    QApplication::setQuitOnLastWindowClosed(true);
    return QApplication::exec();
}

void shutdown()
{
    ToolkitState& s = state();
    if (const auto hook = std::exchange(s.shutdownHook, nullptr))
        hook();
    sound::close();
    // The application goes as it came, but never from inside its own event loop.
    if (s.ownApplication && QThread::currentThread()->loopLevel() == 0) {
        delete s.window;
        delete s.ownApplication;
    }
}

std::int32_t messageBox(std::string_view text, std::int32_t /*style*/)
{
    if (!application()) {
        std::fputs("messageBox: the toolkit is not initialised.\n", stderr);
        return 0;
    }
    // Shown right here, in the middle of whatever handler asked for it: the
    // game relies on the call returning only once the box is gone. Its modal
    // loop keeps the canvas ticking meanwhile.
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("信息："));
    box.setTextFormat(Qt::PlainText);
    box.setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    box.setIcon(QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setIcon(QIcon());   // some styles give buttons icons; the box has none
    // Wide enough for the title bar to show the caption beside its buttons.
    box.setStyleSheet(QStringLiteral("QLabel { min-width: 10em; }"));
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    return 1;
}

} // namespace toolkit
