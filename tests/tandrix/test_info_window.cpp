#include "support/ModalAnswer.h"
#include "tandrix/AppState.h"
#include "tandrix/BuildStamp.h"
#include "tandrix/InfoHandlers.h"
#include "tandrix/InfoText.h"
#include "ui/Identifiers.h"
#include "ui/InfoWindow.h"
#include "ui/MainFormWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QWindow>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <zlib.h>

// Geometry in failure messages as x, y, width x height.
void PrintTo(const QRect& r, std::ostream* os) {
    *os << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}

namespace {

// What the information window showed while it was open.
struct Seen {
    bool open = false;
    QString title;
    QString text;
    QRect geometry;
    QRect editor;
    QRect button;
    bool readOnly = false;
    bool wraps = false;
    bool bothScrollBars = false;
    QSize minimum;
    QSize maximum;
};

Seen look(InfoWindow* w) {
    Seen s;
    s.open = w->isVisible();
    s.title = w->windowTitle();
    s.text = w->editor->toPlainText();
    s.geometry = w->geometry();
    s.editor = w->editor->geometry();
    s.button = w->okButton->geometry();
    s.readOnly = w->editor->isReadOnly();
    s.wraps = w->editor->lineWrapMode() == QPlainTextEdit::WidgetWidth;
    s.bothScrollBars = w->editor->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff &&
                       w->editor->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
    s.minimum = w->minimumSize();
    s.maximum = w->maximumSize();
    return s;
}

void pressOk(InfoWindow* w) {
    w->okButton->click();
}

void requestClose(InfoWindow* w) {
    QCloseEvent close;
    QApplication::sendEvent(w->windowHandle(), &close);
}

// A click as the window system delivers it, so modal blocking applies as for a user.
void clickThroughWindow(QWidget* target) {
    QWindow* window = target->window()->windowHandle();
    const QPointF local = QPointF(target->mapTo(target->window(), target->rect().center()));
    const QPointF global = QPointF(target->mapToGlobal(target->rect().center()));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(window, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(window, &release);
}

QByteArray zlibStream(const QByteArray& plain) {
    uLongf size = compressBound(uLong(plain.size()));
    QByteArray out(qsizetype(size), '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(plain.constData()),
              uLong(plain.size()), Z_BEST_COMPRESSION);
    out.resize(qsizetype(size));
    return out;
}

InfoStream view(const QByteArray& bytes) {
    return {reinterpret_cast<const unsigned char*>(bytes.constData()), std::size_t(bytes.size())};
}

class InfoWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dialoge::Window_Form(state.scale, state.registry, form));
        QApplication::processEvents();
    }
    void TearDown() override { delete form.window; }

    // Opens the information window, lets `inspect` look at it, and closes it with `close`.
    Seen open(const std::function<void(InfoWindow*)>& inspect = {},
              const std::function<void(InfoWindow*)>& close = pressOk) {
        Seen seen;
        ModalAnswer answer([&](QWidget* modal) {
            auto* w = qobject_cast<InfoWindow*>(modal);
            if (!w) {
                modal->close();
                return;
            }
            if (inspect)
                inspect(w);
            seen = look(w);
            close(w);
        });
        Info(state, form);
        EXPECT_TRUE(answer.done());
        return seen;
    }

    bool infoWindowExists() const {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<InfoWindow*>(w))
                return true;
        return false;
    }

    AppState state;
    MainForm form;
};

} // namespace

TEST_F(InfoWindowTest, TitleCarriesTheVersionAndTheBuildStamp) {
    const Seen seen = open();
    ASSERT_TRUE(seen.open);
    EXPECT_EQ(seen.title, InfoTitle(BuildTimeStamp(), ProgramVersion()));
    ASSERT_FALSE(ProgramVersion().isEmpty());
    EXPECT_EQ(seen.title, QStringLiteral(" Tandrix ") + ProgramVersion() + QStringLiteral("  ") +
                              FormatBuildStamp(BuildTimeStamp()));
    EXPECT_EQ(seen.title.size(), 9 + ProgramVersion().size() + 2 + 11);
}

TEST_F(InfoWindowTest, ShowsTheGermanTextReadOnlyAndWrapped) {
    const Seen seen = open();
    const UnpackedInfo stored = UnpackInfoStream(BuiltInInfoStream());
    ASSERT_EQ(stored.status, UnpackStatus::Ok);
    EXPECT_EQ(seen.text,
              DecodeWindows1252(stored.bytes).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    EXPECT_TRUE(seen.text.startsWith(QStringLiteral("Tandrix")));
    EXPECT_TRUE(seen.text.contains(QStringLiteral(u"hält")));
    EXPECT_TRUE(seen.text.contains(QStringLiteral(u"Änderungen")));
    EXPECT_FALSE(seen.text.contains(u'\r'));
    EXPECT_TRUE(seen.readOnly);
    EXPECT_TRUE(seen.wraps);
    EXPECT_TRUE(seen.bothScrollBars);
}

TEST_F(InfoWindowTest, OpensAtDesignSizeCentredOverTheMainWindow) {
    state.scale.DialogScale = 1.25f;
    const Seen seen = open();
    EXPECT_EQ(seen.geometry.size(), QSize(625, 500));
    EXPECT_EQ(seen.geometry.center(), form.window->geometry().center());
    EXPECT_EQ(seen.editor, QRect(12, 12, 600, 450)); // 12.5 rounds to the even 12
    EXPECT_EQ(seen.button, QRect(256, 469, 100, 25));
    // Limits are plain pixels, not scaled.
    EXPECT_EQ(seen.minimum, QSize(300, 200));
    EXPECT_EQ(seen.maximum, QSize(1000, 1000));
}

TEST_F(InfoWindowTest, ResizingStretchesTheTextAndMovesOk) {
    const Seen seen = open([](InfoWindow* w) { w->resize(537, 412); });
    EXPECT_EQ(seen.geometry.size(), QSize(537, 412));
    EXPECT_EQ(seen.editor, QRect(10, 10, 517, 372));
    EXPECT_EQ(seen.button, QRect(242, 387, 80, 20));
}

TEST_F(InfoWindowTest, SizeLimitsHold) {
    const Seen small = open([](InfoWindow* w) { w->resize(100, 50); });
    EXPECT_EQ(small.geometry.size(), QSize(300, 200));
    const Seen big = open([](InfoWindow* w) { w->resize(3000, 3000); });
    EXPECT_EQ(big.geometry.size(), QSize(1000, 1000));
}

TEST_F(InfoWindowTest, RegistryEntriesAreOverwrittenWhenOpenedAgain) {
    open();
    const std::size_t entries = state.registry.entries.size();
    open();
    EXPECT_EQ(state.registry.entries.size(), entries);
    int infoEntries = 0;
    for (const ResizeEntry& e : state.registry.entries)
        if (e.window == WndChldInfo)
            ++infoEntries;
    EXPECT_EQ(infoEntries, 3);
}

TEST_F(InfoWindowTest, DesignGeometryUntilASizeEventThenTheRememberedOne) {
    const Seen first = open();
    EXPECT_EQ(open().geometry, first.geometry);
    const Seen moved = open([](InfoWindow* w) { w->move(w->x() + 40, w->y() + 30); });
    EXPECT_EQ(moved.geometry, first.geometry.translated(40, 30));
    EXPECT_EQ(state.infoGeometry.width, 0) << "moving alone remembers nothing";
    EXPECT_EQ(open().geometry, first.geometry);

    const Seen resized = open([](InfoWindow* w) { w->resize(640, 480); });
    EXPECT_EQ(state.infoGeometry.width, 640);
    EXPECT_EQ(state.infoGeometry.height, 480);

    const Seen again = open();
    EXPECT_EQ(again.geometry, resized.geometry);
    EXPECT_EQ(again.geometry.size(), QSize(640, 480));
    EXPECT_EQ(again.editor, QRect(10, 10, 620, 440));
    EXPECT_EQ(again.button, QRect(345, 455, 80, 20));
}

TEST_F(InfoWindowTest, RememberedWidthOfTenOrLessOrNoHeightIsNotApplied) {
    const Seen design = open();
    state.infoGeometry = {5, 5, 10, 300};
    EXPECT_EQ(open().geometry, design.geometry);
    state.infoGeometry = {5, 5, 400, 0};
    EXPECT_EQ(open().geometry, design.geometry);
    state.infoGeometry = {7, 9, 11, 300};
    // 11 is applied, and held at the minimum width.
    EXPECT_EQ(open().geometry, QRect(7, 9, 300, 300));
}

TEST_F(InfoWindowTest, OkAndCloseRequestEndTheSameWay) {
    state.infoGeometry = {20, 30, 450, 350};
    const Seen byOk = open({}, pressOk);
    EXPECT_FALSE(infoWindowExists());
    const InfoGeometry afterOk = state.infoGeometry;

    const Seen byClose = open({}, requestClose);
    EXPECT_FALSE(infoWindowExists());
    EXPECT_EQ(byClose.geometry, byOk.geometry);
    EXPECT_EQ(state.infoGeometry.width, afterOk.width);
    EXPECT_EQ(state.infoGeometry.height, afterOk.height);
    EXPECT_TRUE(form.window->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(InfoWindowTest, MainWindowIgnoresClicksWhileOpen) {
    QCheckBox* box = form.checkBoxDelQ;
    ASSERT_NE(box, nullptr);
    ASSERT_FALSE(box->isChecked());
    bool checkedWhileOpen = true;
    open([&](InfoWindow*) {
        clickThroughWindow(box);
        QApplication::processEvents();
        checkedWhileOpen = box->isChecked();
    });
    EXPECT_FALSE(checkedWhileOpen);
    // The same click reaches the box once the window is closed.
    clickThroughWindow(box);
    QApplication::processEvents();
    EXPECT_TRUE(box->isChecked());
}

class InfoFailureTest : public InfoWindowTest {
protected:
    // Runs the window with `stream`; returns the message shown and the editor's text after it.
    std::pair<QString, Seen> runWith(const QByteArray& stream) {
        Seen seen;
        std::unique_ptr<ModalAnswer> window;
        ModalAnswer message([&](QWidget* modal) {
            window = std::make_unique<ModalAnswer>([&](QWidget* w) {
                if (auto* info = qobject_cast<InfoWindow*>(w)) {
                    seen = look(info);
                    pressOk(info);
                } else {
                    w->close();
                }
            });
            PressButton(modal, QStringLiteral("OK"));
        });
        InfoWithStream(state, form, view(stream));
        EXPECT_TRUE(message.done());
        EXPECT_TRUE(window && window->done());
        return {message.text(), seen};
    }
};

TEST_F(InfoFailureTest, DamagedStreamGivesMessageAndEmptyEditor) {
    QByteArray stream = zlibStream(QByteArray("Zeile\r\n").repeated(50));
    stream[stream.size() / 2] = char(stream[stream.size() / 2] ^ 0x5A);
    stream[stream.size() - 1] = char(stream[stream.size() - 1] ^ 0xFF);
    const auto [text, seen] = runWith(stream);
    EXPECT_EQ(text, QStringLiteral("Fehler in _Info() beim Entpacken der Infodaten!"));
    EXPECT_TRUE(seen.open);
    EXPECT_TRUE(seen.text.isEmpty());
    EXPECT_EQ(seen.title, InfoTitle(BuildTimeStamp(), ProgramVersion()));
}

TEST_F(InfoFailureTest, TextBeyondTenTimesTheStreamGivesMessageAndEmptyEditor) {
    const auto [text, seen] = runWith(zlibStream(QByteArray(200000, ' ')));
    EXPECT_EQ(text, QStringLiteral("Fehler in _Info() beim Entpacken der Infodaten!"));
    EXPECT_TRUE(seen.text.isEmpty());
}

TEST_F(InfoFailureTest, StreamOfNoBytesGivesMessageAndEmptyEditor) {
    const auto [text, seen] = runWith(zlibStream(QByteArray()));
    EXPECT_EQ(text, QStringLiteral("Fehler in _Info() beim Entpacken der Infodaten!"));
    EXPECT_TRUE(seen.text.isEmpty());
}
