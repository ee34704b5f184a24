// TintboxWidget on the offscreen platform, driven by real Qt key and mouse events.
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <array>

#include "qt_platform.hpp"
#include "widget_fixture.hpp"

using tintbox::TintboxWidget;

namespace {

// Tab presses from the host's line edit before the control to each editor.
int tabs_to(const QString& editor) {
    static const QStringList order = {"hsRed",   "txtRed", "hsGreen", "txtGreen", "hsBlue",
                                      "txtBlue", "txtDec", "txtHex",  "txtWebHex"};
    return static_cast<int>(order.indexOf(editor)) + 1;
}

QPoint centre(QWidget* widget) {
    return widget->rect().center();
}

// Pixels of a length in twips at the widget's logical DPI (15 twips a pixel at 96 dpi).
int px(const QWidget& widget, double twips) {
    return qRound(twips * widget.logicalDpiX() / 1440.0);
}

}  // namespace

class TintboxWidgetTest : public QObject {
    Q_OBJECT

  private slots:
    void sizeHintsGiveTheCompactAndFullFormsAtTheFixedHeight();
    void tabbingIntoFieldSelectsIt_data();
    void tabbingIntoFieldSelectsIt();
    void tabLeavesTheControlAfterTheLastEditorAndComesBack();
    void clickingAHostWidgetRunsTheEditorsLostFocus();
    void tabCyclesInsideWhenNothingElseTakesFocus();
    void typingInEachEditorUpdatesEveryWidget_data();
    void typingInEachEditorUpdatesEveryWidget();
    void clickIntoFieldKeepsCaretAtClick();
    void dragSelectsTextInAField();
    void copyAndPasteGoThroughTheClipboard();
    void contextMenuActsThroughTheModel();
    void hoveringPairFieldHidesIt_data();
    void hoveringPairFieldHidesIt();
    void aColourChangeRepaintsOnlyTheViewsItChanged();
    void partsOfAWheelNotchAddUp();
    void dragOverSpectrumFollowsPictureUnderPointer();
    void unreadableScreenIsReportedOnceAndKeepsTheColour();
    void layoutFollowsResizing_data();
    void layoutFollowsResizing();
    void aLayoutKeepsItsWidthAndTheSurfaceIsClipped();
    void pictureIsConvertedOnceAndReturnedUnchanged();
    void oversizedPictureIsRefusedWithAnError();
    void controlEnabledSwitchesTheEditorsButNotTheWebHexField();
    void propertiesSurviveSaveAndLoad();
    void loadingAMissingBagFailsWithAReason();
};

void TintboxWidgetTest::sizeHintsGiveTheCompactAndFullFormsAtTheFixedHeight() {
    TintboxWidget picker;
    QCOMPARE(picker.minimumSizeHint(), QSize(px(picker, 1695), px(picker, 3375)));
    QCOMPARE(picker.sizeHint(), QSize(px(picker, 4770), px(picker, 3375)));
    QCOMPARE(picker.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
}

void TintboxWidgetTest::tabbingIntoFieldSelectsIt_data() {
    QTest::addColumn<QString>("editor");
    for (const char* name : {"txtRed", "txtGreen", "txtBlue", "txtDec", "txtHex", "txtWebHex"}) {
        QTest::newRow(name) << QString::fromLatin1(name);
    }
}

void TintboxWidgetTest::tabbingIntoFieldSelectsIt() {
    QFETCH(QString, editor);
    HostWindow host;
    host.picker->setRGB(0x563412);
    host.tab(tabs_to(editor));
    QLineEdit* field = host.field(editor.toLatin1());
    QCOMPARE(QApplication::focusWidget(), field);
    QVERIFY(!field->text().isEmpty());
    QCOMPARE(field->selectedText(), field->text());
    const auto* model = host.picker->control().UserControl().find(editor.toStdString());
    QCOMPARE(host.picker->control().UserControl().focused(), model);
}

void TintboxWidgetTest::tabLeavesTheControlAfterTheLastEditorAndComesBack() {
    HostWindow host;
    host.tab(tabs_to("txtWebHex"));
    QCOMPARE(QApplication::focusWidget(), host.field("txtWebHex"));
    QVERIFY(!host.view("txtWebHexRed")->isVisible());  // hidden while the field has the focus

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), host.after);
    QVERIFY(host.view("txtWebHexRed")->isVisible());  // its LostFocus ran

    QTest::keyClick(host.after, Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), host.field("txtWebHex"));
    QCOMPARE(host.field("txtWebHex")->selectedText(), QStringLiteral("000000"));
}

void TintboxWidgetTest::clickingAHostWidgetRunsTheEditorsLostFocus() {
    HostWindow host;
    host.tab(tabs_to("txtWebHex"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);  // "00000"
    QTest::mouseClick(host.after, Qt::LeftButton);
    host.after->setFocus(Qt::MouseFocusReason);  // offscreen gives no click focus by itself
    QCOMPARE(QApplication::focusWidget(), host.after);
    QCOMPARE(host.field("txtWebHex")->text(), QStringLiteral("000000"));  // padded on leaving
    QVERIFY(host.view("txtWebHexGreen")->isVisible());
    QVERIFY(host.picker->control().UserControl().focused() != &inside(*host.picker).txtWebHex);
}

void TintboxWidgetTest::tabCyclesInsideWhenNothingElseTakesFocus() {
    TintboxWidget picker;
    picker.show();
    QApplication::setActiveWindow(&picker);
    QVERIFY(QTest::qWaitForWindowActive(&picker));
    picker.setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), picker.viewWidget("hsRed"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), picker.viewWidget("txtWebHex"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), picker.viewWidget("hsRed"));
}

void TintboxWidgetTest::typingInEachEditorUpdatesEveryWidget_data() {
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<qint32>("color");
    QTest::newRow("txtRed") << "txtRed"
                            << "200" << 200;
    QTest::newRow("txtGreen") << "txtGreen"
                              << "18" << 18 * 256;
    QTest::newRow("txtBlue") << "txtBlue"
                             << "7" << 7 * 65536;
    QTest::newRow("txtDec") << "txtDec"
                            << "1193046" << 0x123456;
    QTest::newRow("txtHex") << "txtHex"
                            << "abcdef" << 0xABCDEF;
    QTest::newRow("txtWebHex") << "txtWebHex"
                               << "336699" << 0x996633;
}

void TintboxWidgetTest::typingInEachEditorUpdatesEveryWidget() {
    QFETCH(QString, editor);
    QFETCH(QString, keys);
    QFETCH(qint32, color);
    HostWindow host;
    QSignalSpy changes(host.picker, &TintboxWidget::changed);
    host.tab(tabs_to(editor));
    QTest::keyClicks(QApplication::focusWidget(), keys);

    QCOMPARE(host.picker->getRGB(), color);
    QVERIFY(changes.count() >= 1);
    const int red = color & 0xFF;
    const int green = (color >> 8) & 0xFF;
    const int blue = (color >> 16) & 0xFF;
    QCOMPARE(host.field("txtRed")->text(), QString::number(red));
    QCOMPARE(host.field("txtGreen")->text(), QString::number(green));
    QCOMPARE(host.field("txtBlue")->text(), QString::number(blue));
    QCOMPARE(host.bar("hsRed")->value(), red);
    QCOMPARE(host.bar("hsGreen")->value(), green);
    QCOMPARE(host.bar("hsBlue")->value(), blue);
    QCOMPARE(host.field("txtDec")->text(), QString::number(color));
    QCOMPARE(host.field("txtHex")->text(), QString::number(color, 16).toUpper());
    const QString web = QStringLiteral("%1%2%3")
                            .arg(red, 2, 16, QChar('0'))
                            .arg(green, 2, 16, QChar('0'))
                            .arg(blue, 2, 16, QChar('0'))
                            .toUpper();
    QCOMPARE(host.field("txtWebHex")->text(), web);
    QCOMPARE(host.field("txtWebHexGreen")->text(), web.mid(2, 2));
    QCOMPARE(HostWindow::shown(host.view("picNewColor"), {20, 20}), rgb_of(color));
    QCOMPARE(HostWindow::shown(host.view("picRed"), {1, 1}), rgb_of(red));
    // The edited field still has the focus and the caret after the typed text.
    QCOMPARE(QApplication::focusWidget(), host.field(editor.toLatin1()));
    QCOMPARE(host.field(editor.toLatin1())->cursorPosition(),
             host.field(editor.toLatin1())->text().size());
}

void TintboxWidgetTest::clickIntoFieldKeepsCaretAtClick() {
    HostWindow host;
    host.picker->setRGB(16777215);
    host.tab(tabs_to("txtRed"));
    QLineEdit* dec = host.field("txtDec");
    const int x = dec->fontMetrics().horizontalAdvance(QStringLiteral("167")) + 1;
    QTest::mouseClick(dec, Qt::LeftButton, {}, QPoint(x, dec->height() / 2));
    QCOMPARE(QApplication::focusWidget(), dec);
    QCOMPARE(dec->cursorPosition(), 3);
    QVERIFY(!dec->hasSelectedText());
    QCOMPARE(inside(*host.picker).txtDec.SelStart(), 3);
}

void TintboxWidgetTest::dragSelectsTextInAField() {
    HostWindow host;
    host.picker->setRGB(16777215);
    QLineEdit* dec = host.field("txtDec");
    const QFontMetrics metrics = dec->fontMetrics();
    const int y = dec->height() / 2;
    QTest::mousePress(dec, Qt::LeftButton, {}, {metrics.horizontalAdvance("1") + 1, y});
    QTest::mouseMove(dec, {metrics.horizontalAdvance("16777") + 1, y});
    QTest::mouseRelease(dec, Qt::LeftButton, {}, {metrics.horizontalAdvance("16777") + 1, y});
    QCOMPARE(dec->selectedText(), QStringLiteral("6777"));
    QCOMPARE(inside(*host.picker).txtDec.SelLength(), 4);
}

void TintboxWidgetTest::copyAndPasteGoThroughTheClipboard() {
    HostWindow host;
    host.picker->setRGB(0x0000FF);
    host.tab(tabs_to("txtHex"));  // selects "FF"
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("FF"));

    QGuiApplication::clipboard()->setText(QStringLiteral("ff00"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(host.field("txtHex")->text(), QStringLiteral("FF00"));  // cleaned like typing
    QCOMPARE(host.picker->getRGB(), 0xFF00);
}

void TintboxWidgetTest::contextMenuActsThroughTheModel() {
    HostWindow host;
    host.picker->setRGB(1193046);
    host.tab(tabs_to("txtDec"));
    QLineEdit* dec = host.field("txtDec");
    QTest::keyClick(dec, Qt::Key_End);
    const auto choose = [&](const QString& action) {
        QTimer::singleShot(0, [action] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu != nullptr);
            for (QAction* item : menu->actions()) {
                if (item->text().remove('&') == action) {
                    QVERIFY(item->isEnabled());
                    item->trigger();
                }
            }
            menu->close();
        });
        QContextMenuEvent request(QContextMenuEvent::Keyboard, dec->rect().center(),
                                  dec->mapToGlobal(dec->rect().center()));
        QApplication::sendEvent(dec, &request);
    };
    choose(QStringLiteral("Select All"));
    QCOMPARE(dec->selectedText(), QStringLiteral("1193046"));
    QCOMPARE(inside(*host.picker).txtDec.SelLength(), 7);
    choose(QStringLiteral("Cut"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("1193046"));
    QVERIFY(dec->text().isEmpty());
    QVERIFY(inside(*host.picker).txtDec.Text().empty());
    QCOMPARE(host.picker->getRGB(), 0);  // the cut went into the model as an edit
}

void TintboxWidgetTest::hoveringPairFieldHidesIt_data() {
    QTest::addColumn<QString>("pair");
    QTest::addColumn<qint32>("pairColor");
    QTest::newRow("red") << "txtWebHexRed" << 0x000012;
    QTest::newRow("green") << "txtWebHexGreen" << 0x003400;
    QTest::newRow("blue") << "txtWebHexBlue" << 0x560000;
}

void TintboxWidgetTest::hoveringPairFieldHidesIt() {
    QFETCH(QString, pair);
    QFETCH(qint32, pairColor);
    HostWindow host;
    host.picker->setRGB(0x563412);
    QWidget* hovered = host.view(pair.toLatin1());
    QVERIFY(hovered->isVisible());
    QWidget* surface = hovered->parentWidget();
    const QRect row(host.view("txtWebHex")->mapTo(surface, QPoint(0, 0)),
                    host.view("txtWebHex")->size());
    // The row as drawn, but for the pixel columns at the pairs' edges, where the edge of
    // a digit may reach across into its neighbour's column.
    QWidget* blue = host.view("txtWebHexBlue");
    const std::array<int, 4> edges = {host.view("txtWebHexRed")->x(),
                                      host.view("txtWebHexGreen")->x(), blue->x(),
                                      blue->x() + blue->width()};
    const auto row_image = [&] {
        QImage image = surface->grab(row).toImage();
        QPainter painter(&image);
        for (const int edge : edges) {
            painter.fillRect(QRectF(edge - row.x() - 1, 0, 2, row.height()), Qt::black);
        }
        return image;
    };
    host.picker->setControlEnabled(false);
    const QImage switched_off = row_image();
    host.picker->setControlEnabled(true);
    const QImage before = row_image();
    QTest::mouseMove(hovered, centre(hovered));
    QTRY_VERIFY(!hovered->isVisible());
    // Each pair lies on the very pixels of the digits beneath it: the row looks the same
    // with the pair stepped aside, and again when the control is then switched off.
    QCOMPARE(row_image(), before);
    host.picker->setControlEnabled(false);
    QCOMPARE(row_image(), switched_off);
    host.picker->setControlEnabled(true);
    for (const char* other : {"txtWebHexRed", "txtWebHexGreen", "txtWebHexBlue"}) {
        if (pair != QLatin1String(other)) {
            QVERIFY(host.view(other)->isVisible());
        }
    }
    // The web-hex field's text takes the hidden pair's colour, so the display looks the same.
    QCOMPARE(
        host.field("txtWebHex")->palette().color(QPalette::Active, QPalette::Text).rgb() & 0xFFFFFF,
        rgb_of(pairColor));
}

namespace {

// Each view widget's painted region, by view name.
class PaintRecorder : public QObject {
  public:
    explicit PaintRecorder(QWidget& root) {
        for (QWidget* widget : root.findChildren<QWidget*>()) {
            if (!widget->objectName().isEmpty()) {
                widget->installEventFilter(this);
            }
        }
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted[watched->objectName()] += static_cast<QPaintEvent*>(event)->region();
        } else if (event->type() == QEvent::PaletteChange) {
            palette_changed << watched->objectName();
        }
        return QObject::eventFilter(watched, event);
    }
    QMap<QString, QRegion> painted;
    QStringList palette_changed;
};

}  // namespace

void TintboxWidgetTest::aColourChangeRepaintsOnlyTheViewsItChanged() {
    HostWindow host;
    host.picker->setRGB(0x406080);
    QTest::qWait(20);
    PaintRecorder recorder(*host.picker);
    host.picker->setRGB(0x507090);  // every component changes, none to an end of its bar
    QTest::qWait(20);

    QStringList expected = {"picOldColor",    "picNewColor",  "picRed", "picGreen",  "picBlue",
                            "hsRed",          "hsGreen",      "hsBlue", "txtRed",    "txtGreen",
                            "txtBlue",        "txtDec",       "txtHex", "txtWebHex", "txtWebHexRed",
                            "txtWebHexGreen", "txtWebHexBlue"};
    QStringList painted = recorder.painted.keys();
    expected.sort();
    painted.sort();
    QCOMPARE(painted, expected);  // the frames, labels and the spectrum stay as they are
    // The pair fields draw their new colours themselves: no palette is handed down.
    QCOMPARE(recorder.palette_changed, QStringList());

    // A bar repaints where its thumb was and is, and then shows what a whole paint shows.
    const auto on_screen = [&] {
        return host.window->screen()->grabWindow(host.window->winId()).toImage();
    };
    const QImage partly = on_screen();
    for (const char* name : {"hsRed", "hsGreen", "hsBlue"}) {
        QScrollBar* bar = host.bar(name);
        QVERIFY2(recorder.painted[name].boundingRect().width() < bar->width(), name);
        bar->update();
    }
    QTest::qWait(20);
    QCOMPARE(partly, on_screen());

    // The thumb drawn over the bar's remembered groove is what the style draws when it
    // paints the whole bar (as it does under the pointer), at both ends and between them.
    host.picker->setRGB(0xFF8000);
    QTest::qWait(20);
    for (const char* name : {"hsRed", "hsGreen", "hsBlue"}) {
        QScrollBar* bar = host.bar(name);
        const QImage over_groove = bar->grab().toImage();
        bar->setAttribute(Qt::WA_UnderMouse, true);
        const QImage whole = bar->grab().toImage();
        bar->setAttribute(Qt::WA_UnderMouse, false);
        QCOMPARE(over_groove, whole);
    }

    // A field without the focus draws its text itself, on QLineEdit's pixels (an absolute
    // alignment leaves the drawing to QLineEdit and places the text the same).
    for (const char* name : {"txtRed", "txtGreen", "txtBlue", "txtDec", "txtHex", "txtWebHex"}) {
        QLineEdit* field = host.field(name);
        const QImage own = field->grab().toImage();
        field->setAlignment(field->alignment() | Qt::AlignAbsolute);
        const QImage by_line_edit = field->grab().toImage();
        field->setAlignment(field->alignment() & ~Qt::AlignAbsolute);
        QVERIFY2(own == by_line_edit, name);
    }
}

// A fine wheel's parts of a notch add up to one step (whole notches are contract rows).
void TintboxWidgetTest::partsOfAWheelNotchAddUp() {
    HostWindow host;
    host.picker->setGreen(128);
    QScrollBar* bar = host.bar("hsGreen");
    const auto turn = [bar](int eighths) {
        const QPointF at = bar->rect().center();
        QWheelEvent wheel(at, bar->mapToGlobal(at), QPoint(), QPoint(0, eighths), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(bar, &wheel);
    };
    turn(60);
    QCOMPARE(host.picker->getGreen(), 128);
    turn(60);
    QCOMPARE(host.picker->getGreen(), 127);
    QCOMPARE(bar->value(), 127);
}

void TintboxWidgetTest::dragOverSpectrumFollowsPictureUnderPointer() {
    HostWindow host;
    // Four vertical bands.
    QImage bands(4, 1, QImage::Format_RGB32);
    const QRgb colors[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(128, 64, 32)};
    for (int x = 0; x < 4; ++x) {
        bands.setPixel(x, 0, colors[x]);
    }
    host.picker->setPicture(bands);
    QWidget* spectrum = host.view("Colors");
    const int y = spectrum->height() / 2;
    const auto band = [&](int index) { return spectrum->width() * (2 * index + 1) / 8; };

    QTest::mousePress(spectrum, Qt::LeftButton, {}, {band(0), y});
    QCOMPARE(host.picker->getRGB(), 0x0000FF);
    QCOMPARE(spectrum->cursor().shape(), Qt::BitmapCursor);
    QCOMPARE(spectrum->cursor().hotSpot(), QPoint(15, 15));
    // The cursor shows the shape's pixels black, the outline around them white.
    const tintbox::PointerShape& shape = *inside(*host.picker).Colors.MouseIcon();
    const std::vector<bool> outline = tintbox::qtskin::cursor_outline(shape);
    const QImage black = spectrum->cursor().bitmap().toImage();
    const QImage shown = spectrum->cursor().mask().toImage();
    for (int index = 0; index < 32 * 32; ++index) {
        const int x = index % 32;
        const int y = index / 32;
        QCOMPARE(black.pixelIndex(x, y) == 1, bool(shape.drawn[static_cast<std::size_t>(index)]));
        QCOMPARE(shown.pixelIndex(x, y) == 1, bool(outline[static_cast<std::size_t>(index)]));
    }
    QCOMPARE(QApplication::focusWidget(), host.view("txtHidden"));

    for (int index : {1, 2, 3}) {
        QTest::mouseMove(spectrum, {band(index), y});
        QCOMPARE(host.picker->getRGB() & 0xFFFFFF,
                 static_cast<qint32>(qRed(colors[index]) | (qGreen(colors[index]) << 8) |
                                     (qBlue(colors[index]) << 16)));
        // What the picker picked is what the spectrum shows under the pointer.
        QCOMPARE(HostWindow::shown(spectrum, {band(index), y}), colors[index] & 0xFFFFFF);
    }
    QTest::mouseMove(spectrum, {spectrum->width() + 40, y});  // off the spectrum
    QCOMPARE(host.picker->getRGB(), 0x204080);
    QTest::mouseRelease(spectrum, Qt::LeftButton, {}, {spectrum->width() + 40, y});
    QCOMPARE(spectrum->cursor().shape(), Qt::ArrowCursor);
}

void TintboxWidgetTest::unreadableScreenIsReportedOnceAndKeepsTheColour() {
    HostWindow host;
    host.picker->setRGB(0x123456);
    QSignalSpy unavailable(host.picker, &TintboxWidget::eyedropperUnavailable);
    QSignalSpy changes(host.picker, &TintboxWidget::changed);
    QWidget* spectrum = host.view("Colors");
    QTest::mousePress(spectrum, Qt::RightButton, {}, centre(spectrum));
    QCOMPARE(spectrum->cursor().shape(), Qt::BitmapCursor);
    QCursor::setPos(-5000, -5000);      // on no screen
    QTRY_VERIFY(changes.count() >= 3);  // ticks keep coming
    QCOMPARE(unavailable.count(), 1);
    QCOMPARE(host.picker->getRGB(), 0x123456);
    QTest::mouseRelease(spectrum, Qt::RightButton, {}, centre(spectrum));
    QVERIFY(!inside(*host.picker).tmrGetPixelColor.Enabled());
}

void TintboxWidgetTest::layoutFollowsResizing_data() {
    QTest::addColumn<double>("requested");  // twips, plus some pixels
    QTest::addColumn<int>("extraPixels");
    QTest::addColumn<double>("width");  // what the control settles on, twips
    QTest::addColumn<double>("frameWidth");
    QTest::addColumn<double>("colorsWidth");
    QTest::newRow("design width") << 4770.0 << 0 << 4770.0 << 2970.0 << 2940.0;
    QTest::newRow("wider") << 6000.0 << 0 << 6000.0 << 4200.0 << 4170.0;
    // Compact forms keep the spectrum of the last full layout.
    QTest::newRow("three pixels right of Frame") << 1800.0 << 3 << 1695.0 << 2970.0 << 2940.0;
    QTest::newRow("narrower than the left column") << 900.0 << 0 << 1695.0 << 2970.0 << 2940.0;
}

void TintboxWidgetTest::layoutFollowsResizing() {
    QFETCH(double, requested);
    QFETCH(int, extraPixels);
    QFETCH(double, width);
    QFETCH(double, frameWidth);
    QFETCH(double, colorsWidth);
    TintboxWidget picker;
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    picker.resize(px(picker, requested) + extraPixels, px(picker, 5000));
    QTRY_COMPARE(picker.size(), QSize(px(picker, width), px(picker, 3375)));
    QCOMPARE(picker.viewWidget("Frame")->width(), px(picker, 1800 + frameWidth) - px(picker, 1800));
    QCOMPARE(picker.viewWidget("Colors")->width(), px(picker, colorsWidth));
}

void TintboxWidgetTest::aLayoutKeepsItsWidthAndTheSurfaceIsClipped() {
    HostWindow host;
    const int compact = px(*host.picker, 1695);
    host.window->resize(host.window->width() - host.picker->width() + compact + 5, 400);
    QTRY_COMPARE(host.picker->control().UserControl().Width(), 1695.0f);
    QTest::qWait(20);
    QCOMPARE(host.picker->width(), compact + 5);                     // the layout's width stays
    QCOMPARE(host.view("Frame")->parentWidget()->width(), compact);  // the surface clips the rest
}

void TintboxWidgetTest::pictureIsConvertedOnceAndReturnedUnchanged() {
    TintboxWidget picker;
    QCOMPARE(picker.corePicture(), nullptr);
    QVERIFY(picker.picture().isNull());
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(qRgb(10, 20, 30));
    picker.setPicture(image);
    const tintbox::PicturePtr converted = picker.corePicture();
    QVERIFY(converted != nullptr);
    QCOMPARE(converted->pixel(2, 1), 10 | (20 << 8) | (30 << 16));
    const QPixmap shown = picker.picture();
    picker.setPicture(shown);  // the same pixmap again: no new conversion
    QCOMPARE(picker.corePicture(), converted);
    QCOMPARE(picker.picture().cacheKey(), shown.cacheKey());
    picker.resetPicture();
    QCOMPARE(picker.corePicture(), nullptr);
    QVERIFY(picker.picture().isNull());
}

void TintboxWidgetTest::oversizedPictureIsRefusedWithAnError() {
    TintboxWidget picker;
    QImage small(1, 1, QImage::Format_RGB32);
    small.fill(Qt::red);
    picker.setPicture(small);
    const tintbox::PicturePtr kept = picker.corePicture();
    QSignalSpy errors(&picker, &TintboxWidget::errorRaised);
    picker.setPicture(QImage(tintbox::Picture::kMaxSide + 1, 1, QImage::Format_RGB32));
    QCOMPARE(errors.count(), 1);
    QCOMPARE(picker.corePicture(), kept);
}

void TintboxWidgetTest::controlEnabledSwitchesTheEditorsButNotTheWebHexField() {
    HostWindow host;
    host.picker->setControlEnabled(false);
    QVERIFY(!host.picker->controlEnabled());
    for (const char* name :
         {"hsRed", "txtRed", "txtGreen", "txtBlue", "txtDec", "txtHex", "txtWebHexRed"}) {
        QVERIFY2(!host.view(name)->isEnabled(), name);
    }
    QVERIFY(host.view("txtWebHex")->isEnabled());
    QTest::mouseClick(host.view("txtWebHex"), Qt::LeftButton);  // input is off too
    QCOMPARE(host.picker->control().UserControl().focused(), nullptr);
    host.picker->resetControlEnabled();
    QVERIFY(host.view("txtRed")->isEnabled());
}

void TintboxWidgetTest::propertiesSurviveSaveAndLoad() {
    QTemporaryDir dir;
    const QString path = dir.filePath("control.bag");
    {
        TintboxWidget picker;
        QImage image(2, 2, QImage::Format_RGB32);
        image.fill(qRgb(1, 2, 3));
        picker.setPicture(image);
        picker.setControlEnabled(false);
        QString error;
        QVERIFY2(picker.saveProperties(path, &error), qPrintable(error));
    }
    TintboxWidget restored;
    QString error;
    QVERIFY2(restored.loadProperties(path, &error), qPrintable(error));
    QVERIFY(!restored.controlEnabled());
    QVERIFY(restored.corePicture() != nullptr);
    QCOMPARE(restored.picture().size(), QSize(2, 2));
    QCOMPARE(restored.picture().toImage().pixel(1, 1) & 0xFFFFFF, qRgb(1, 2, 3) & 0xFFFFFF);
}

void TintboxWidgetTest::loadingAMissingBagFailsWithAReason() {
    TintboxWidget picker;
    QString error;
    QVERIFY(!picker.loadProperties(QStringLiteral("/nonexistent/control.bag"), &error));
    QVERIFY(error.contains(QStringLiteral("control.bag")));
    QVERIFY(picker.controlEnabled());
}

QTEST_MAIN(TintboxWidgetTest)
#include "test_tintbox_widget.moc"
