// The scan-review-clean cycle through the real window: a Quick Scan lists the junk of the
// temporary folder and an oversized file, the user unchecks one object and presses
// "Clean-up"; the unchecked object stays, the rest is gone, and the log and "LastScan.txt"
// say so line for line. A file that the shipped database names is found by the Quick Scan's
// malware step, goes through the quarantine and comes back from the Quarantine page byte for
// byte.

#include <QComboBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTest>
#include <string>

#include "app/list_view_adapter.h"
#include "app/main_window.h"
#include "app/program.h"
#include "scan/results_list.h"
#include "tests/app/app_fixture.h"
#include "tests/support/test_machine.h"

using scourwell::app::ListView;
using scourwell::app::MainWindow;
using scourwell::app::Program;
using scourwell::apptest::Find;
using scourwell::apptest::MessageBoxRecorder;
using scourwell::apptest::ShipDatabase;
using scourwell::testing::TestMachine;

namespace {

const std::string kTemp = std::string(TestMachine::kTemp) + "\\";
const std::string kDocuments = std::string(TestMachine::kDocuments) + "\\";
const std::string kLastScan = std::string(TestMachine::kDataFolder) + "LastScan.txt";

// Row of list1 whose caption is `name`, or -1.
int RowOf(const ListView* list, const QString& name) {
    const auto& model = list->Model();
    for (size_t i = 0; i < model.Count(); ++i)
        if (model.Item(i).caption == name.toStdString()) return static_cast<int>(i);
    return -1;
}

QStringList MemoLines(QWidget* window) {
    return Find<QPlainTextEdit>(window, "Memo1")->toPlainText().split('\n');
}

// LastScan.txt as lines (CR LF ends each line).
QStringList SavedLogLines(const TestMachine& machine) {
    QString text = QString::fromStdString(machine.ReadFile(kLastScan));
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return lines;
}

// Everything of `lines` from the first line that ends with `marker` on.
QStringList From(const QStringList& lines, const QString& marker) {
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].endsWith(marker)) return lines.mid(i);
    return {};
}

void ClickCheckBox(ListView* list, int row) {
    list->scrollTo(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->CheckBoxRect(row).center());
}

}  // namespace

class ScanCleanCycleTest : public QObject {
    Q_OBJECT

  private slots:
    void quickScanUncheckAndCleanUp();
    void infectedObjectIsQuarantinedAndRestored();
    void closingDuringAScanStopsItAndClosesAfterwards();
};

void ScanCleanCycleTest::quickScanUncheckAndCleanUp() {
    TestMachine machine;  // C: of 100 000 000 000 bytes: "High" from 2 500 000 000 bytes
    ShipDatabase(machine);
    machine.WriteFile(kTemp + "old.tmp", "temporary");
    machine.WriteFile(kTemp + "keep.log", "the user keeps this one");
    machine.WriteFile(kTemp + "cache\\a.bin", "aaaa");
    machine.WriteFile(kTemp + "cache\\deeper\\b.bin", "bbbb");
    machine.WriteSparseFile(kDocuments + "disk.img", 3'000'000'000);
    machine.WriteFile(kDocuments + "letter.txt", "small files of the documents are not listed");

    MessageBoxRecorder boxes;  // "Yes" to every question
    Program program;
    MainWindow window(program);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.pc1()->setCurrentIndex(1);

    QTest::mouseClick(Find<QPushButton>(&window, "Button1"), Qt::LeftButton);  // Quick Scan
    QVERIFY(boxes.boxes.back().text.startsWith(
        QStringLiteral("You have some critical issue-s that requires action!")));

    auto* list1 = Find<ListView>(&window, "list1");
    QCOMPARE(list1->model()->rowCount(), 4);  // disk.img, old.tmp, keep.log, cache
    for (const char* name : {"old.tmp", "keep.log", "cache", "disk.img"})
        QVERIFY2(RowOf(list1, name) >= 0, name);
    QVERIFY(Find<QPushButton>(&window, "Button3")->isEnabled());  // Clean-up

    // The user keeps keep.log: its box is cleared and it becomes an exclusion.
    const int keep = RowOf(list1, "keep.log");
    ClickCheckBox(list1, keep);
    QVERIFY(!program.scanPage.list1.Item(static_cast<size_t>(keep)).checked);
    QVERIFY(program.scanPage.excluded.IsExcluded(kTemp + "keep.log", "File"));

    const int logBefore = MemoLines(&window).size();
    QTest::mouseClick(Find<QPushButton>(&window, "Button3"), Qt::LeftButton);  // Clean-up
    QCOMPARE(boxes.boxes.back().text, QStringLiteral("All done successfully!"));

    QVERIFY(machine.Exists(kTemp + "keep.log"));
    QVERIFY(!machine.Exists(kTemp + "old.tmp"));
    QVERIFY(!machine.Exists(kTemp + "cache"));
    QVERIFY(!machine.Exists(kDocuments + "disk.img"));
    QVERIFY(machine.Exists(kDocuments + "letter.txt"));  // never listed, never touched

    // The Status column tells each outcome; the kept row keeps its scan status.
    const auto& model = program.scanPage.list1;
    auto status = [&](const char* name) {
        return model.Item(static_cast<size_t>(RowOf(list1, name))).SubItem(scourwell::scan::kColStatus);
    };
    QCOMPARE(status("old.tmp"), std::string("Ok"));
    QCOMPARE(status("cache"), std::string("Ok"));
    QCOMPARE(status("disk.img"), std::string("Ok"));
    QCOMPARE(status("keep.log"), std::string("Junk"));

    // The clean-up's lines follow the scan's in the log, one per object and path, none for
    // the kept file; "LastScan.txt" holds the log line for line and was opened again.
    const QStringList memo = MemoLines(&window);
    const QStringList cleanUp = memo.mid(logBefore);
    QVERIFY(cleanUp.join('\n').contains(QStringLiteral(" : File deleted...\n") +
                                        QString::fromStdString(kTemp + "old.tmp")));
    QVERIFY(cleanUp.join('\n').contains(QStringLiteral(" : Folder deleted...\n") +
                                        QString::fromStdString(kTemp + "cache")));
    QVERIFY(!cleanUp.join('\n').contains(QStringLiteral("keep.log")));
    QVERIFY(cleanUp.back().endsWith(QStringLiteral(": Finish...")));
    QCOMPARE(SavedLogLines(machine), memo);
    QVERIFY(From(SavedLogLines(machine), QStringLiteral(": Cleaning...")).size() > 1);
    QCOMPARE(boxes.openedDocuments, (std::vector<std::string>{kLastScan, kLastScan}));

    // A later scan skips the excluded file.
    QTest::mouseClick(Find<QPushButton>(&window, "Button1"), Qt::LeftButton);
    QCOMPARE(RowOf(list1, "keep.log"), -1);
}

void ScanCleanCycleTest::infectedObjectIsQuarantinedAndRestored() {
    TestMachine machine;
    ShipDatabase(machine);
    // A file the shipped database names: "[Trojan.CoinMiner]:%%af%%\Microsoft\Network\...".
    const std::string folder = std::string(TestMachine::kAppData) + "\\Microsoft\\Network\\";
    const std::string payload("MZ\0\x01 infected bytes \xff", 22);
    machine.WriteFile(folder + "winsvchost32.exe", payload);

    MessageBoxRecorder boxes;
    Program program;
    MainWindow window(program);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.pc1()->setCurrentIndex(1);

    // The Quick Scan's malware step finds it: an infected row, checked.
    QTest::mouseClick(Find<QPushButton>(&window, "Button1"), Qt::LeftButton);
    auto* list1 = Find<ListView>(&window, "list1");
    const int row = RowOf(list1, "winsvchost32.exe");
    QVERIFY(row >= 0);
    const auto& item = program.scanPage.list1.Item(static_cast<size_t>(row));
    QCOMPARE(item.SubItem(scourwell::scan::kColStatus), std::string("Infected"));
    QCOMPARE(item.SubItem(scourwell::scan::kColLocation), folder);
    QVERIFY(item.checked);
    const QString memo = MemoLines(&window).join('\n');
    QVERIFY(memo.contains(QStringLiteral(": Searcing for malware, please wait...\n")));
    QVERIFY(memo.contains(QStringLiteral(": Infected File ") +
                          QString::fromStdString(folder + "winsvchost32.exe")));

    QTest::mouseClick(Find<QPushButton>(&window, "Button3"), Qt::LeftButton);  // Clean-up
    QCOMPARE(boxes.boxes.back().text, QStringLiteral("All done successfully!"));
    QVERIFY(!machine.Exists(folder + "winsvchost32.exe"));

    // The Quarantine page shows it at once.
    auto* cList1 = Find<ListView>(&window, "cList1");
    QCOMPARE(cList1->model()->rowCount(), 1);
    QCOMPARE(cList1->model()->index(0, 3).data().toString(),
             QString::fromStdString(folder + "winsvchost32.exe"));

    // Restore it into a folder chain that is gone meanwhile: the chain comes back and the bytes
    // are the same. "Restore" is enabled once the page's list has been switched.
    QVERIFY(QDir(QString::fromStdString(machine.Host(folder))).removeRecursively());
    window.pc1()->setCurrentIndex(6);
    auto* cbx1 = Find<QComboBox>(&window, "cbx1");
    cbx1->setCurrentIndex(1);
    cbx1->setCurrentIndex(0);
    ClickCheckBox(cList1, 0);
    QTest::mouseClick(Find<QPushButton>(&window, "Button16"), Qt::LeftButton);  // Restore
    QCOMPARE(boxes.boxes.back().text, QStringLiteral("Object(s) restored!"));
    QCOMPARE(machine.ReadFile(folder + "winsvchost32.exe"), payload);
    QCOMPARE(cList1->model()->index(0, 1).data().toString(), QStringLiteral("Restored"));
}

void ScanCleanCycleTest::closingDuringAScanStopsItAndClosesAfterwards() {
    TestMachine machine;
    ShipDatabase(machine);
    for (int i = 0; i < 5; ++i)
        machine.WriteFile(std::string(TestMachine::kAppData) + "\\app" + std::to_string(i) + ".dat", "x");
    machine.WriteFile(kTemp + "old.tmp", "temporary");

    MessageBoxRecorder boxes;
    Program program;
    MainWindow window(program);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // The user closes the window while the Quick Scan walks its first folder.
    QTimer::singleShot(0, &window, [&window] { window.close(); });
    QTest::mouseClick(Find<QPushButton>(&window, "Button1"), Qt::LeftButton);

    QCOMPARE(boxes.boxes.back().text, QStringLiteral("Scan process aborted!"));
    QCOMPARE(RowOf(Find<ListView>(&window, "list1"), "old.tmp"), -1);  // the junk step never ran
    QTRY_VERIFY(!window.isVisible());
    QVERIFY(!program.context.scanRunning);
}

QTEST_MAIN(ScanCleanCycleTest)
#include "scan_clean_cycle_test.moc"
