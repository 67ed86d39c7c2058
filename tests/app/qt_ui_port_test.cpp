// The window port over Qt: message boxes through the test hook, posted calls, and the status
// line that follows the core's StatusLine without a repaint per change.

#include "app/qt_ui_port.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <string>

#include "foundation/status_log.h"
#include "tests/app/app_fixture.h"

using scourwell::app::QtUiPort;
using scourwell::apptest::MessageBoxRecorder;
using scourwell::foundation::MessageIcon;

class QtUiPortTest : public QObject {
    Q_OBJECT

  private slots:
    void questionsAndMessagesGoThroughTheHook();
    void postedCallsRunLaterInOrder();
    void statusLineFollowsOnPumpAndSync();
};

void QtUiPortTest::questionsAndMessagesGoThroughTheHook() {
    MessageBoxRecorder boxes;
    boxes.answers = {true, false};
    QtUiPort port;
    QVERIFY(port.AskYesNo("Delete?\r\rReally?", "Scourwell"));
    QVERIFY(!port.AskYesNo("Again?", "Scourwell"));
    port.Tell("Registry value error!", "Error", MessageIcon::Error);

    QCOMPARE(boxes.boxes.size(), size_t{3});
    QCOMPARE(boxes.boxes[0].text, QStringLiteral("Delete?\n\nReally?"));
    QCOMPARE(boxes.boxes[0].caption, QStringLiteral("Scourwell"));
    QCOMPARE(boxes.boxes[0].icon, MessageIcon::Question);
    QVERIFY(boxes.boxes[0].yesNo);
    QCOMPARE(boxes.boxes[2].caption, QStringLiteral("Error"));
    QCOMPARE(boxes.boxes[2].icon, MessageIcon::Error);
    QVERIFY(!boxes.boxes[2].yesNo);

    // The general error report.
    scourwell::app::RunReportingErrors(nullptr,
                                       [] { throw std::runtime_error("Cannot open file"); });
    QCOMPARE(boxes.boxes.back().text, QStringLiteral("Cannot open file"));
    QCOMPARE(boxes.boxes.back().icon, MessageIcon::Error);
}

void QtUiPortTest::postedCallsRunLaterInOrder() {
    QtUiPort port;
    std::string calls;
    port.Post([&] { calls += "a"; });
    port.Post([&] { calls += "b"; });
    QVERIFY(calls.empty());
    port.PumpEvents();
    QCOMPARE(QString::fromStdString(calls), QStringLiteral("ab"));
}

void QtUiPortTest::statusLineFollowsOnPumpAndSync() {
    QtUiPort port;
    scourwell::foundation::StatusLine line;
    QLabel label;
    int shown = 0;
    port.BindStatusLine(&line, [&](const std::string& text) {
        ++shown;
        label.setText(QString::fromStdString(text));
    });
    QCOMPARE(label.text(), QStringLiteral("Scourwell"));
    QCOMPARE(shown, 1);

    // A walk sets the line for every file and pumps often: the label follows at most once per
    // interval, and the last text always arrives by the next sync.
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 1000; ++i) {
        line.Set("C:\\file" + std::to_string(i));
        port.PumpEvents();
    }
    const qint64 allowed = 2 + clock.elapsed() / QtUiPort::kStatusInterval.count();
    QVERIFY2(shown - 1 <= allowed,
             qPrintable(QStringLiteral("%1 > %2").arg(shown - 1).arg(allowed)));
    port.SyncStatusLine();
    QCOMPARE(label.text(), QStringLiteral("C:\\file999"));
    const int before = shown;
    port.SyncStatusLine();  // nothing changed
    QCOMPARE(shown, before);
}

QTEST_MAIN(QtUiPortTest)
#include "qt_ui_port_test.moc"
