// The main window on a machine view: its pages and controls, the size limit, the start-up
// steps with and without a signature database, and the Welcome page's drive status.

#include "app/main_window.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <memory>
#include <string>

#include "app/list_view_adapter.h"
#include "app/program.h"
#include "tests/app/app_fixture.h"
#include "tests/support/test_machine.h"

using scourwell::app::ListView;
using scourwell::app::MainWindow;
using scourwell::app::Program;
using scourwell::apptest::Find;
using scourwell::apptest::LabelText;
using scourwell::apptest::MessageBoxRecorder;
using scourwell::apptest::ShipDatabase;
using scourwell::testing::TestDrive;
using scourwell::testing::TestMachine;

namespace {

const std::string kDataDatabase = std::string(TestMachine::kDataFolder) + "files.dat";

// The first line of the database source: the version line the packed database gives.
QString ExpectedVersionLine() {
    std::string text =
        scourwell::apptest::ReadHostFile(std::string(SCOURWELL_SOURCE_DIR) + "/data/files.txt");
    return QString::fromStdString(text.substr(0, text.find_first_of("\r\n")));
}

// Whether a start-up refresh can still come: the window's "Timer2", its only trigger, runs.
bool StartupTimerPending(const MainWindow& window) {
    for (const QTimer* timer : window.findChildren<QTimer*>(QStringLiteral("Timer2")))
        if (timer->isActive()) return true;
    return window.Timer2Enabled();
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void windowHasItsPagesAndControls();
    void formCanResize_data();
    void formCanResize();
    void startWithShippedDatabaseShowsVersionAndRefreshes();
    void startWithoutDatabaseReportsErrorAndSkipsLaterSteps_data();
    void startWithoutDatabaseReportsErrorAndSkipsLaterSteps();
    void firstStartCreatesTheApplicationDataChain();
    void dataFolderThatCannotBeMadeIsReportedOnce();
    void welcomeGradesDrive_data();
    void welcomeGradesDrive();
    void statusTextClickAndScanNow();
    void quarantineComboSwitchesNotebookAndButtons();
};

void MainWindowTest::windowHasItsPagesAndControls() {
    TestMachine machine;
    MessageBoxRecorder boxes;
    Program program;
    MainWindow window(program);

    QCOMPARE(window.windowTitle(), QStringLiteral("Scourwell"));
    QCOMPARE(window.size(), QSize(1124, 816));
    QCOMPARE(window.font().pointSize(), 10);

    QTabWidget* pc1 = window.pc1();
    QCOMPARE(pc1->objectName(), QStringLiteral("pc1"));
    const QStringList captions = {
        "Welcome",          "Scan",         "Process Manager", "Startup Manager",
        "FileGuard Report", "Quick Report", "Quarantine"};
    QCOMPARE(pc1->count(), captions.size());
    for (int i = 0; i < captions.size(); ++i) QCOMPARE(pc1->tabText(i), captions[i]);

    auto* memo1 = Find<QPlainTextEdit>(&window, "Memo1");
    QVERIFY(memo1->isReadOnly());
    QCOMPARE(memo1->height(), 87);
    QCOMPARE(memo1->toPlainText(), QStringLiteral("Scourwell"));
    QCOMPARE(LabelText(&window, "Panel4"), QStringLiteral("Scourwell"));
    QCOMPARE(Find<QLabel>(&window, "Panel4")->height(), 18);

    // Welcome page.
    QCOMPARE(LabelText(&window, "Label10"), QStringLiteral("None"));
    QCOMPARE(LabelText(&window, "Label12"), QStringLiteral("None"));
    QCOMPARE(LabelText(&window, "infoptext"), QStringLiteral("Status updating..."));
    QVERIFY(Find<QWidget>(&window, "Panel10")->isHidden());

    // Scan page.
    auto* cb1 = Find<QComboBox>(&window, "cb1");
    auto* cb2 = Find<QComboBox>(&window, "cb2");
    QCOMPARE(cb1->currentText(), QStringLiteral("All"));
    QCOMPARE(cb1->count(), 3);
    QCOMPARE(cb2->currentText(), QStringLiteral("All"));
    QCOMPARE(cb2->itemText(3), QStringLiteral("Middle"));
    QCOMPARE(LabelText(&window, "Label8"), QStringLiteral("0"));
    auto* list1 = Find<ListView>(&window, "list1");
    const QStringList columns = {"Object", "Kind", "Location", "Size", "Status"};
    for (int i = 0; i < columns.size(); ++i)
        QCOMPARE(list1->model()->headerData(i, Qt::Horizontal).toString(), columns[i]);
    QCOMPARE(list1->model()->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).toInt() &
                 Qt::AlignHCenter,
             int(Qt::AlignHCenter));
    QVERIFY(Find<QPushButton>(&window, "Button1")->isEnabled());   // Quick Scan
    QVERIFY(Find<QPushButton>(&window, "Button2")->isEnabled());   // Custom Scan
    QVERIFY(!Find<QPushButton>(&window, "Button3")->isEnabled());  // Clean-up
    QVERIFY(!Find<QPushButton>(&window, "Button5")->isEnabled());  // Abort

    // Inspection and quarantine pages.
    QCOMPARE(
        Find<ListView>(&window, "ListView1")->model()->headerData(0, Qt::Horizontal).toString(),
        QStringLiteral("Tasks"));
    QCOMPARE(
        Find<ListView>(&window, "ListView2")->model()->headerData(1, Qt::Horizontal).toString(),
        QStringLiteral("Creation date"));
    QCOMPARE(Find<ListView>(&window, "listfg")->model()->headerData(0, Qt::Horizontal).toString(),
             QStringLiteral("Status"));
    QVERIFY(!Find<QPushButton>(&window, "Button11")->isEnabled());  // Save Report
    auto* cbx1 = Find<QComboBox>(&window, "cbx1");
    QCOMPARE(cbx1->itemText(0), QStringLiteral("Quarantined"));
    QCOMPARE(cbx1->itemText(1), QStringLiteral("Deleted threats"));
    QVERIFY(!Find<QPushButton>(&window, "Button15")->isEnabled());  // Clear All
    QVERIFY(!Find<QPushButton>(&window, "Button16")->isEnabled());  // Restore
    QVERIFY(!Find<QPushButton>(&window, "Button13")->isEnabled());  // Add Folder
    QVERIFY(Find<QPushButton>(&window, "Button14")->isEnabled());   // Add File
}

void MainWindowTest::formCanResize_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("too narrow") << 949 << 816 << false;
    QTest::newRow("too low") << 950 << 815 << false;
    QTest::newRow("both too small") << 949 << 815 << false;
    QTest::newRow("the limit") << 950 << 816 << true;
    QTest::newRow("initial size") << 1124 << 816 << true;
}

void MainWindowTest::formCanResize() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, accepted);
    QCOMPARE(scourwell::app::FormCanResize(width, height), accepted);

    // The window enforces the same limit.
    TestMachine machine;
    MessageBoxRecorder boxes;
    Program program;
    MainWindow window(program);
    window.resize(width, height);
    const QSize size = window.size();
    QCOMPARE(size == QSize(width, height), accepted);
    QVERIFY(scourwell::app::FormCanResize(size.width(), size.height()));
}

void MainWindowTest::startWithShippedDatabaseShowsVersionAndRefreshes() {
    TestMachine machine({TestDrive{'C', "fixed", 1000, 100}});  // 90 % used: critical
    ShipDatabase(machine);
    MessageBoxRecorder boxes;
    Program program;
    MainWindow window(program);

    QVERIFY(boxes.boxes.empty());
    QVERIFY(machine.Exists(kDataDatabase));  // installed on first start
    QCOMPARE(LabelText(&window, "Label6"), ExpectedVersionLine());
    QVERIFY(window.Timer2Enabled());
    QCOMPARE(window.StartupRefreshCount(), 0);
    QCOMPARE(program.welcome.pList.Count(), size_t{0});

    // About a second later the start-up timer refreshes the Welcome page, once.
    QTRY_COMPARE_WITH_TIMEOUT(window.StartupRefreshCount(), 1, 5000);
    QVERIFY(!window.Timer2Enabled());
    QCOMPARE(program.welcome.pList.Count(), size_t{1});
    QCOMPARE(LabelText(&window, "infoptext"),
             QStringLiteral("Some drives are critically full, please scan!"));
    // Nothing can refresh again: no start-up timer is running, and what was posted has run.
    QVERIFY(!StartupTimerPending(window));
    QCoreApplication::sendPostedEvents();
    QCOMPARE(window.StartupRefreshCount(), 1);
    QVERIFY(!Find<QPushButton>(&window, "Button3")->isEnabled());
    QVERIFY(!Find<QPushButton>(&window, "Button5")->isEnabled());
}

// A database that does not unpack is refused as a missing one is.
void MainWindowTest::startWithoutDatabaseReportsErrorAndSkipsLaterSteps_data() {
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("bytes");
    const std::string shipped =
        scourwell::apptest::ReadHostFile(std::string(SCOURWELL_BIN_DIR) + "/files.dat");
    QByteArray random(4096, '\0');
    uint32_t state = 12345;
    for (char& c : random) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    QTest::newRow("missing") << false << QByteArray();
    QTest::newRow("random bytes") << true << random;
    QTest::newRow("cut off in its stream")
        << true << QByteArray(shipped.data(), static_cast<qsizetype>(shipped.size() / 2));
}

void MainWindowTest::startWithoutDatabaseReportsErrorAndSkipsLaterSteps() {
    QFETCH(bool, present);
    QFETCH(QByteArray, bytes);
    TestMachine machine;
    if (present) machine.WriteFile(kDataDatabase, bytes.toStdString());
    // An earlier run left one quarantined file: its index line and its stored copy.
    const std::string indexLine =
        "06.12.2026 "
        "14:30:05;0;C:\\Temp\\a.exe;Trojan;d41d8cd98f00b204e9800998ecf8427e;3;CTempa.exe;";
    const std::string indexFile = std::string(TestMachine::kDataFolder) + "quarantine.list";
    machine.WriteFile(indexFile, indexLine + "\r\n");
    machine.WriteFile(std::string(TestMachine::kDataFolder) + "Quarantine\\CTempa.exe", "abc");
    MessageBoxRecorder boxes;
    Program program;
    MainWindow window(program);

    QCOMPARE(boxes.boxes.size(), size_t{1});
    QCOMPARE(boxes.boxes[0].icon, scourwell::foundation::MessageIcon::Error);
    QVERIFY2(boxes.boxes[0].text.contains(QStringLiteral("files.dat")),
             qPrintable(boxes.boxes[0].text));
    QCOMPARE(LabelText(&window, "Label6"), QStringLiteral("None"));
    QVERIFY(!window.Timer2Enabled());

    QVERIFY(!StartupTimerPending(window));
    QCoreApplication::sendPostedEvents();
    QCOMPARE(window.StartupRefreshCount(), 0);
    QCOMPARE(program.welcome.pList.Count(), size_t{0});
    QCOMPARE(program.quarantine.cList1.Count(), size_t{0});
    QCOMPARE(LabelText(&window, "infoptext"), QStringLiteral("Status updating..."));

    // The quarantine index is loaded all the same, so the page's own "Refresh" lists the
    // entry and saves the index with it instead of overwriting it with an empty list.
    QCOMPARE(program.quarantine.index.Count(), size_t{1});
    QTest::mouseClick(Find<QPushButton>(&window, "Button17"), Qt::LeftButton);
    QCOMPARE(program.quarantine.cList1.Count(), size_t{1});
    QVERIFY(machine.ReadFile(indexFile).find(indexLine) != std::string::npos);
}

// A new account: the application-data folder does not exist yet.
void MainWindowTest::firstStartCreatesTheApplicationDataChain() {
    TestMachine machine;
    machine.SetFolder(26, "C:\\Users\\newcomer\\AppData\\Roaming");
    machine.Install();
    ShipDatabase(machine);
    MessageBoxRecorder boxes;
    Program program;
    MainWindow window(program);

    QVERIFY2(boxes.boxes.empty(), boxes.boxes.empty() ? "" : qPrintable(boxes.boxes[0].text));
    QVERIFY(machine.Exists("C:\\Users\\newcomer\\AppData\\Roaming\\Vantoric\\Scourwell\\Settings\\files.dat"));
    QCOMPARE(LabelText(&window, "Label6"), ExpectedVersionLine());
    QTRY_COMPARE_WITH_TIMEOUT(program.welcome.pList.Count(), size_t{1}, 5000);
}

void MainWindowTest::dataFolderThatCannotBeMadeIsReportedOnce() {
    TestMachine machine;
    machine.WriteFile("C:\\Users\\tester\\AppData\\Roaming\\Vantoric", "a file in the way");
    ShipDatabase(machine);
    MessageBoxRecorder boxes;
    Program program;
    MainWindow window(program);

    QCOMPARE(boxes.boxes.size(), size_t{1});
    QVERIFY2(boxes.boxes[0].text.contains(QString::fromStdString(
                 machine.Host("C:\\Users\\tester\\AppData\\Roaming\\Vantoric"))),
             qPrintable(boxes.boxes[0].text));
    QCOMPARE(LabelText(&window, "Label6"), QStringLiteral("None"));
    QVERIFY(!window.Timer2Enabled());
}

void MainWindowTest::welcomeGradesDrive_data() {
    QTest::addColumn<qint64>("used");
    QTest::addColumn<QString>("level");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("picture");
    const QColor yellow(0xFF, 0xFF, 0x00);
    const QColor lightBlue(0xE6, 0xF1, 0xFC);
    QTest::newRow("875 of 1000 used") << qint64(875) << "Critical" << true << yellow
                                      << "Some drives are critically full, please scan!"
                                      << "img_warning";
    QTest::newRow("750 of 1000 used")
        << qint64(750) << "High" << true << lightBlue << "Some drives are full, please scan!"
        << "img_warning";
    QTest::newRow("749 of 1000 used")
        << qint64(749) << "Ok" << false << QColor() << "Your computer is ok!"
        << "img_ok";
}

void MainWindowTest::welcomeGradesDrive() {
    QFETCH(qint64, used);
    QFETCH(QString, level);
    QFETCH(bool, checked);
    QFETCH(QColor, background);
    QFETCH(QString, status);
    QFETCH(QString, picture);

    TestMachine machine({TestDrive{'C', "fixed", 1000, 1000 - used}});
    MessageBoxRecorder boxes;
    Program program;
    MainWindow window(program);
    QTest::mouseClick(Find<QPushButton>(&window, "Button21"), Qt::LeftButton);  // "Refresh"

    auto* pList = Find<ListView>(&window, "pList");
    QAbstractItemModel* model = pList->model();
    QCOMPARE(model->rowCount(), 1);
    QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("C:\\"));
    QCOMPARE(model->index(0, 3).data().toString(), level);
    QCOMPARE(model->index(0, 0).data(Qt::CheckStateRole).toInt(),
             int(checked ? Qt::Checked : Qt::Unchecked));
    const QVariant brush = model->index(0, 2).data(Qt::BackgroundRole);
    QCOMPARE(brush.isValid() ? brush.value<QBrush>().color() : QColor(), background);
    QCOMPARE(LabelText(&window, "infoptext"), status);
    QCOMPARE(Find<QLabel>(&window, "infpult_img")->property("picture").toString(), picture);
    QVERIFY(!Find<QLabel>(&window, "infpult_img")->pixmap().isNull());
}

void MainWindowTest::statusTextClickAndScanNow() {
    TestMachine machine({TestDrive{'C', "fixed", 1000, 100}});
    MessageBoxRecorder boxes;
    boxes.defaultAnswer = false;  // "No" to the scan question: nothing starts
    Program program;
    MainWindow window(program);
    auto* infoptext = Find<QLabel>(&window, "infoptext");

    // Before any drive check the prompt is off: a click asks nothing.
    const size_t before = boxes.boxes.size();
    QTest::mouseClick(infoptext, Qt::LeftButton);
    QCOMPARE(boxes.boxes.size(), before);

    QTest::mouseClick(Find<QPushButton>(&window, "Button21"), Qt::LeftButton);
    QTest::mouseClick(infoptext, Qt::LeftButton);
    QCOMPARE(boxes.boxes.size(), before + 1);
    QVERIFY(boxes.boxes.back().yesNo);
    QVERIFY(boxes.boxes.back().text.startsWith(
        QStringLiteral("Do you wish to scan files/folders and drives for errors?\n\n")));
    QCOMPARE(window.pc1()->currentIndex(), 0);  // "No": the page stays
    QVERIFY(boxes.openedDocuments.empty());

    // "Yes" to "Scan Now" with no drive checked: the Scan page comes up, the scan finds
    // nothing, and its log is saved and handed to the shell.
    program.welcome.pList.UserToggleCheck(0);
    boxes.defaultAnswer = true;
    QTest::mouseClick(Find<QPushButton>(&window, "Button23"), Qt::LeftButton);
    QCOMPARE(window.pc1()->currentIndex(), 1);
    QCOMPARE(boxes.boxes.back().text,
             QStringLiteral("You dont have any critical issue-s on your computer!"));
    QCOMPARE(boxes.openedDocuments,
             std::vector<std::string>{std::string(TestMachine::kDataFolder) + "LastScan.txt"});
    QVERIFY(Find<QPushButton>(&window, "Button1")->isEnabled());
    QVERIFY(!Find<QPushButton>(&window, "Button3")->isEnabled());
    QVERIFY(!Find<QPushButton>(&window, "Button5")->isEnabled());
    QVERIFY(Find<QPlainTextEdit>(&window, "Memo1")
                ->toPlainText()
                .startsWith(QStringLiteral("Scourwell (Build: 7.12.2013) log.")));
    QTRY_COMPARE(LabelText(&window, "Panel4"), QStringLiteral("Done"));
}

void MainWindowTest::quarantineComboSwitchesNotebookAndButtons() {
    TestMachine machine;
    ShipDatabase(machine);
    machine.WriteFile("C:\\Temp\\a.exe", "abc");
    MessageBoxRecorder boxes;
    Program program;
    MainWindow window(program);
    QVERIFY(program.quarantine.QuarantineFile("C:\\Temp\\a.exe"));

    auto* cbx1 = Find<QComboBox>(&window, "cbx1");
    auto* note1 = Find<QStackedWidget>(&window, "Note1");
    auto* clearAll = Find<QPushButton>(&window, "Button15");
    auto* restore = Find<QPushButton>(&window, "Button16");
    QCOMPARE(Find<ListView>(&window, "cList1")->model()->rowCount(), 1);
    QVERIFY(!restore->isEnabled());

    cbx1->setCurrentIndex(1);
    QCOMPARE(note1->currentIndex(), 1);
    cbx1->setCurrentIndex(0);
    QCOMPARE(note1->currentIndex(), 0);
    QVERIFY(restore->isEnabled());
    QVERIFY(clearAll->isEnabled());
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
