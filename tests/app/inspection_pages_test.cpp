// The four inspection pages on a machine view, driven through their buttons: the Process
// Manager, the Startup Manager, the FileGuard Report and the Quick Report, and the start-up
// refreshes of the first two.

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <string>

#include "app/list_view_adapter.h"
#include "app/main_window.h"
#include "app/program.h"
#include "platform/registry.h"
#include "tests/app/app_fixture.h"
#include "tests/support/test_machine.h"
#include "tests/support/test_processes.h"

using scourwell::app::ListView;
using scourwell::app::MainWindow;
using scourwell::app::Program;
using scourwell::apptest::Find;
using scourwell::apptest::MessageBoxRecorder;
using scourwell::apptest::ReadHostFile;
using scourwell::apptest::ShipDatabase;
using scourwell::platform::RegistryKey;
using scourwell::platform::RootKey;
using scourwell::testing::TestMachine;
using scourwell::testing::TestProcesses;

namespace {

const std::string kDataFolder = TestMachine::kDataFolder;
const std::string kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// A machine with the shipped autorun key list, a running task and three Run values: a
// program that exists, a missing one, and a suspicious one (leading digit) that exists.
struct Fixture {
    Fixture() {
        machine.WriteFile(std::string(TestMachine::kProgram) + "\\RegBase.rgk",
                          ReadHostFile(std::string(SCOURWELL_SOURCE_DIR) + "/data/RegBase.rgk"));
        machine.WriteFile("C:\\Apps\\tool.exe", "tool program");
        machine.WriteFile("C:\\Apps\\7zip.exe", "suspicious program");
        auto run = RegistryKey::Open(RootKey::CurrentUser, kRunKey, true);
        run->WriteString("Tool", "\"C:\\Apps\\tool.exe\" /tray");
        run->WriteString("Gone", "C:\\Gone\\gone.exe");
        run->WriteString("Seven", "C:\\Apps\\7zip.exe");
    }
    TestMachine machine;
    MessageBoxRecorder boxes;
    TestProcesses procs{machine};
};

QString BoxTexts(const MessageBoxRecorder& boxes) {
    QStringList texts;
    for (const auto& box : boxes.boxes) texts << box.text;
    return texts.join(QStringLiteral(" | "));
}

QStringList Column(ListView* view, int column) {
    QStringList texts;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        texts << view->model()->index(row, column).data().toString();
    return texts;
}

void Click(QWidget* window, const char* button) {
    auto* widget = Find<QPushButton>(window, button);
    QVERIFY2(widget->isEnabled(), button);
    QTest::mouseClick(widget, Qt::LeftButton);
}

}  // namespace

class InspectionPagesTest : public QObject {
    Q_OBJECT

  private slots:
    void startupRefreshFillsBothManagers();
    void processManagerRefreshEndAndQuarantine();
    void startupManagerDeleteAndQuarantine();
    void fileGuardRefreshAndQuarantine();
    void quickReportBuildAndSave();
};

void InspectionPagesTest::startupRefreshFillsBothManagers() {
    Fixture f;
    ShipDatabase(f.machine);
    QVERIFY(f.procs.Start("C:\\Tools\\Sleeper.exe") > 0);
    Program program;
    MainWindow window(program);
    QTRY_COMPARE_WITH_TIMEOUT(window.StartupRefreshCount(), 1, 5000);
    QCOMPARE(Column(Find<ListView>(&window, "ListView1"), 0),
             QStringList{"C:\\Tools\\Sleeper.exe"});
    QCOMPARE(Column(Find<ListView>(&window, "ListView2"), 0).size(), 3);
    QVERIFY(f.machine.Exists(kDataFolder + "proc.dat"));
    QVERIFY(f.machine.Exists(kDataFolder + "regk.dat"));
    QVERIFY2(f.boxes.boxes.empty(), qPrintable(BoxTexts(f.boxes)));
}

void InspectionPagesTest::processManagerRefreshEndAndQuarantine() {
    Fixture f;
    const pid_t a = f.procs.Start("C:\\Tools\\Sleeper.exe");
    const pid_t b = f.procs.Start("C:\\Tools\\Sleeper.exe");
    const pid_t keep = f.procs.Start("C:\\Tools\\Keeper.exe");
    QVERIFY(a > 0 && b > 0 && keep > 0);
    Program program;
    MainWindow window(program);
    f.boxes.boxes.clear();  // no database shipped: the start-up error, then no start-up timer
    auto* list = Find<ListView>(&window, "ListView1");
    Click(&window, "Button7");
    QCOMPARE(Column(list, 0), (QStringList{"C:\\Tools\\Keeper.exe", "C:\\Tools\\Sleeper.exe"}));
    QCOMPARE(Column(list, 1), (QStringList{"", ""}));  // the first run records no date

    // "End Task" on the checked row ends both of its processes.
    auto& tasks = program.inspection.processManager.listView1;
    tasks.UserToggleCheck(1);
    Click(&window, "Button8");
    QVERIFY(f.procs.WaitEnded(a));
    QVERIFY(f.procs.WaitEnded(b));
    QVERIFY(f.procs.Running(keep));
    Click(&window, "Button7");
    QCOMPARE(Column(list, 0), QStringList{"C:\\Tools\\Keeper.exe"});

    // "Add to quarantine" on the remaining task.
    tasks.UserToggleCheck(0);
    f.boxes.answers = {true};
    Click(&window, "Button20");
    QVERIFY(f.procs.WaitEnded(keep));
    QVERIFY(!f.machine.Exists("C:\\Tools\\Keeper.exe"));
    QVERIFY2(f.boxes.boxes.size() == 2, qPrintable(BoxTexts(f.boxes)));
    QCOMPARE(f.boxes.boxes[0].text,
             QStringLiteral("Do you wish to move selected tasks(s) to quarantine?"));
    QCOMPARE(f.boxes.boxes[1].text,
             QStringLiteral("Task(s) quarantined successfully!\n\nReport:\n"
                            "Keeper.exe - Task quarantined and deleted successfully\n"));
    QCOMPARE(program.quarantine.cList1.Count(), size_t{1});
}

void InspectionPagesTest::startupManagerDeleteAndQuarantine() {
    Fixture f;
    Program program;
    MainWindow window(program);
    f.boxes.boxes.clear();  // no database shipped: the start-up error, then no start-up timer
    auto* list = Find<ListView>(&window, "ListView2");
    Click(&window, "Button4");
    QCOMPARE(Column(list, 0),
             (QStringList{"c:\\apps\\7zip.exe", "C:\\Gone\\gone.exe", "c:\\apps\\tool.exe"}));

    auto& values = program.inspection.startupManager.listView2;
    values.UserToggleCheck(1);
    Click(&window, "Button6");  // "Delete value(s)"
    QCOMPARE(Column(list, 0), (QStringList{"c:\\apps\\7zip.exe", "c:\\apps\\tool.exe"}));
    QVERIFY2(f.boxes.boxes.empty(), qPrintable(BoxTexts(f.boxes)));

    values.UserToggleCheck(1);
    f.boxes.answers = {true};
    Click(&window, "Button18");  // "Add to quarantine"
    QCOMPARE(Column(list, 0), QStringList{"c:\\apps\\7zip.exe"});
    QVERIFY(!f.machine.Exists("C:\\Apps\\tool.exe"));
    QCOMPARE(f.boxes.boxes.back().text,
             QStringLiteral("Task(s) quarantined successfully!\n\nReport:\n"
                            "tool.exe - Object quarantined and deleted successfully\n"));
    auto run = RegistryKey::Open(RootKey::CurrentUser, kRunKey, false);
    QCOMPARE(run->ValueNames(), (std::vector<std::string>{"Seven"}));
    QCOMPARE(program.quarantine.cList1.Count(), size_t{2});  // the program and its value
}

void InspectionPagesTest::fileGuardRefreshAndQuarantine() {
    Fixture f;
    Program program;
    MainWindow window(program);
    f.boxes.boxes.clear();  // no database shipped: the start-up error, then no start-up timer
    auto* list = Find<ListView>(&window, "listfg");
    Click(&window, "Button9");
    const QString value = QStringLiteral("HKEY_CURRENT_USER\\") + QString::fromStdString(kRunKey) +
                          QStringLiteral("\\Seven");
    QCOMPARE(Column(list, 0),
             (QStringList{"Suspicious registry value", "Suspicious file"}));
    QCOMPARE(Column(list, 1), (QStringList{value, "c:\\apps\\7zip.exe"}));
    // The longest finding is shown whole, whatever face stands in for the intended one.
    QVERIFY(list->columnWidth(0) >=
            list->fontMetrics().horizontalAdvance(QStringLiteral("Suspicious registry value")) + 20);

    auto& rows = program.inspection.fileGuard.listfg;
    for (size_t i = 0; i < rows.Count(); ++i) rows.SetSelected(i, true);
    f.boxes.answers = {true, false};
    Click(&window, "Button10");
    QCOMPARE(Column(list, 0), (QStringList{"Registry value Quarantined and deleted successfully",
                                           "File quarantined and deleted successfully"}));
    QCOMPARE(f.boxes.boxes.back().text,
             QStringLiteral("Done, do you wish to refresh fGuard report list?"));
    QVERIFY(!f.machine.Exists("C:\\Apps\\7zip.exe"));
    QCOMPARE(program.quarantine.cList1.Count(), size_t{2});

    f.boxes.answers = {true, true};
    for (size_t i = 0; i < rows.Count(); ++i) rows.SetSelected(i, true);
    Click(&window, "Button10");  // the rows' objects are gone now
    QCOMPARE(list->model()->rowCount(), 0);
}

void InspectionPagesTest::quickReportBuildAndSave() {
    Fixture f;
    QVERIFY(f.procs.Start("C:\\Tools\\Sleeper.exe") > 0);
    Program program;
    MainWindow window(program);
    f.boxes.boxes.clear();  // no database shipped: the start-up error, then no start-up timer
    auto* save = Find<QPushButton>(&window, "Button11");
    QVERIFY(!save->isEnabled());
    Click(&window, "Button12");
    QVERIFY(save->isEnabled());
    const QString text = Find<QPlainTextEdit>(&window, "Memo2")->toPlainText();
    const QStringList lines = text.split('\n');
    QCOMPARE(lines.first(), QStringLiteral("Scourwell (Build: 7.12.2013)"));
    QVERIFY(lines.contains(QStringLiteral("Running tasks: (1)")));
    QVERIFY(lines.contains(QStringLiteral("Startup files: (3)")));
    QVERIFY(lines.contains(QStringLiteral("Ful report: (4)")));
    QCOMPARE(lines.last(), QStringLiteral("Finished..."));

    Click(&window, "Button11");
    const std::string saved = f.machine.ReadFile(kDataFolder + "quickreport.txt");
    QCOMPARE(QString::fromStdString(saved), lines.join(QStringLiteral("\r\n")) + "\r\n");
    QCOMPARE(f.boxes.openedDocuments, std::vector<std::string>{kDataFolder + "quickreport.txt"});
}

QTEST_MAIN(InspectionPagesTest)
#include "inspection_pages_test.moc"
