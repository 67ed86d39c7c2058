// The Custom Scan dialog and the Add dialog, opened from the main window as the program does.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/add_window.h"
#include "app/custom_scan_window.h"
#include "app/list_view_adapter.h"
#include "app/main_window.h"
#include "app/program.h"
#include "tests/app/app_fixture.h"
#include "tests/support/test_machine.h"

using scourwell::app::AddWindow;
using scourwell::app::CustomScanWindow;
using scourwell::app::ListView;
using scourwell::app::MainWindow;
using scourwell::app::Program;
using scourwell::apptest::Find;
using scourwell::apptest::MessageBoxRecorder;
using scourwell::testing::TestDrive;
using scourwell::testing::TestMachine;

namespace {

// The program's windows on a machine with a full C: and a nearly empty D:.
struct Windows {
    TestMachine machine{{TestDrive{'C', "fixed", 1000, 100}, TestDrive{'D', "fixed", 1000, 900}}};
    MessageBoxRecorder boxes;
    std::unique_ptr<Program> program;
    std::unique_ptr<MainWindow> main;
    std::unique_ptr<CustomScanWindow> customScan;
    std::unique_ptr<AddWindow> add;

    Windows() {
        scourwell::apptest::ShipDatabase(machine);
        program = std::make_unique<Program>();
        main = std::make_unique<MainWindow>(*program);
        customScan = std::make_unique<CustomScanWindow>(program->customScan, main.get());
        add = std::make_unique<AddWindow>(program->addDialog, main.get());
        main->SetCustomScanWindow(customScan.get());
        main->SetAddWindow(add.get());
        main->show();
    }
    ~Windows() {
        add.reset();
        customScan.reset();
        main.reset();
    }
    QString Host(const std::string& windowsPath) const {
        return QString::fromStdString(machine.Host(windowsPath));
    }
};

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void customScanShowsDrivesAndKeepsStateBetweenShowings();
    void customScanAddMapsPickedFolderIntoTheView();
    void addDialogOkFollowsEdit1AndQuarantinesTheFile();
};

void DialogsTest::customScanShowsDrivesAndKeepsStateBetweenShowings() {
    Windows w;
    CustomScanWindow& dialog = *w.customScan;
    QVERIFY(!dialog.isVisible());
    QTest::mouseClick(Find<QPushButton>(w.main.get(), "Button2"), Qt::LeftButton);  // "Custom Scan"
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Custom Scan"));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());  // fixed size

    QAbstractItemModel* list1 = Find<ListView>(&dialog, "List1")->model();
    QCOMPARE(list1->rowCount(), 2);
    QCOMPARE(list1->index(0, 3).data().toString(), QStringLiteral("Critical"));
    QCOMPARE(list1->index(1, 3).data().toString(), QStringLiteral("Ok"));
    QCOMPARE(list1->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));

    // Choices made now stay after "Cancel"; the drives' boxes come back from their levels.
    Find<QRadioButton>(&dialog, "rb2")->click();
    QVERIFY(w.program->customScan.rb2.Get());
    QVERIFY(!w.program->customScan.rb1.Get());
    Find<QCheckBox>(&dialog, "c2")->click();
    QVERIFY(!w.program->customScan.c2.Get());
    w.program->customScan.List1.UserToggleCheck(0);
    QTest::mouseClick(Find<QPushButton>(&dialog, "Button4"), Qt::LeftButton);  // "Cancel"
    QVERIFY(!dialog.isVisible());

    QTest::mouseClick(Find<QPushButton>(w.main.get(), "Button2"), Qt::LeftButton);
    QVERIFY(dialog.isVisible());
    QVERIFY(Find<QRadioButton>(&dialog, "rb2")->isChecked());
    QVERIFY(!Find<QCheckBox>(&dialog, "c2")->isChecked());
    QCOMPARE(list1->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));

    // The title bar's close button only hides the dialog too, and so does Escape.
    dialog.close();
    QVERIFY(!w.program->customScan.visible.Get());
    QTest::mouseClick(Find<QPushButton>(w.main.get(), "Button2"), Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QVERIFY(!w.program->customScan.visible.Get());
    QVERIFY(Find<QRadioButton>(&dialog, "rb2")->isChecked());
}

void DialogsTest::customScanAddMapsPickedFolderIntoTheView() {
    Windows w;
    w.machine.WriteFile("D:\\Data\\big.bin", std::string(850, 'x'));
    QTest::mouseClick(Find<QPushButton>(w.main.get(), "Button2"), Qt::LeftButton);
    CustomScanWindow& dialog = *w.customScan;
    QAbstractItemModel* list2 = Find<ListView>(&dialog, "List2")->model();

    w.boxes.pickerAnswer = w.Host("D:\\Data");
    QTest::mouseClick(Find<QPushButton>(&dialog, "Button1"), Qt::LeftButton);  // "Add"
    QCOMPARE(w.boxes.pickerRequests.size(), size_t{1});
    QVERIFY(w.boxes.pickerRequests[0].folder);
    QCOMPARE(list2->rowCount(), 1);
    QCOMPARE(list2->index(0, 0).data().toString(), QStringLiteral("D:\\Data"));
    QCOMPARE(list2->index(0, 2).data().toString(), QStringLiteral("High"));  // 850 of 1000

    // A folder outside every drive of the view is refused with a message.
    QTemporaryDir outside;
    w.boxes.pickerAnswer = outside.path();
    const size_t before = w.boxes.boxes.size();
    QTest::mouseClick(Find<QPushButton>(&dialog, "Button1"), Qt::LeftButton);
    QCOMPARE(list2->rowCount(), 1);
    QCOMPARE(w.boxes.boxes.size(), before + 1);
    QCOMPARE(w.boxes.boxes.back().text, scourwell::app::OutsideViewMessage(outside.path()));

    // Cancelling the picker does nothing.
    w.boxes.pickerAnswer.clear();
    QTest::mouseClick(Find<QPushButton>(&dialog, "Button1"), Qt::LeftButton);
    QCOMPARE(list2->rowCount(), 1);
}

void DialogsTest::addDialogOkFollowsEdit1AndQuarantinesTheFile() {
    Windows w;
    w.machine.WriteFile("C:\\Temp\\a.exe", "abc");
    AddWindow& dialog = *w.add;
    QVERIFY(!dialog.isVisible());
    QTest::mouseClick(Find<QPushButton>(w.main.get(), "Button14"), Qt::LeftButton);  // "Add File"
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Add"));
    auto* edit1 = Find<QLineEdit>(&dialog, "Edit1");
    auto* ok = Find<QPushButton>(&dialog, "Button2");
    QVERIFY(!ok->isEnabled());

    QTest::keyClicks(edit1, QStringLiteral("C:\\Temp\\a.ex"));
    QVERIFY(!ok->isEnabled());
    QTest::keyClicks(edit1, QStringLiteral("e"));
    QVERIFY(ok->isEnabled());

    // "..." puts the picked file, as a path of the view, into Edit1.
    edit1->clear();
    QTest::keyClicks(edit1, QStringLiteral("x"));
    QVERIFY(!ok->isEnabled());
    w.boxes.pickerAnswer = w.Host("C:\\Temp\\a.exe");
    QTest::mouseClick(Find<QPushButton>(&dialog, "Button1"), Qt::LeftButton);
    QCOMPARE(w.boxes.pickerRequests.back().title, QStringLiteral("Select file"));
    QCOMPARE(w.boxes.pickerRequests.back().filter, QStringLiteral("All files (*)"));
    QVERIFY(!w.boxes.pickerRequests.back().folder);
    QCOMPARE(edit1->text(), QStringLiteral("C:\\Temp\\a.exe"));
    QVERIFY(ok->isEnabled());

    w.boxes.answers = {true};
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(
        w.boxes.boxes.back().text,
        QStringLiteral(
            "Objects processed!\n\nInfo:\nQuarantined and deleted successfully: C:\\Temp\\a.exe"));
    QVERIFY(!w.machine.Exists("C:\\Temp\\a.exe"));
    QCOMPARE(Find<ListView>(w.main.get(), "cList1")->model()->rowCount(), 1);
}

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
